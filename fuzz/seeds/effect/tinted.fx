// tinted.fx -- a textured quad, tinted, then a blended wash on top in a second pass
float4x4 Matrix : WORLDVIEWPROJECTION;    // set with SetMatrix("Matrix", ...)
float    g_fStrength = 0.75;
float4   g_vTint = {1.0, 0.9, 0.8, 1.0};
texture  g_tDiffuse;

sampler DiffuseSampler = sampler_state {
  Texture   = <g_tDiffuse>;
  MinFilter = Linear;
  MagFilter = Linear;
  MipFilter = Linear;
  AddressU  = Wrap;
  AddressV  = Clamp;
};

vertexshader QuadVS {
  out vec2 uv;
  void main() {
    uv = inTexCoord;
    gl_Position = Matrix * vec4(inPosition, 1.0);   // HLSL: mul(float4(pos, 1), Matrix)
  }
}

pixelshader TintPS {
  in vec2 uv;
  void main() { outColor = texture(DiffuseSampler, uv) * g_vTint * g_fStrength; }
}

pixelshader WashPS {
  in vec2 uv;
  void main() { outColor = vec4(0.0, 0.0, 1.0, 0.25 * uv.y); }
}

technique TintAndWash {
  pass Tint {
    ZEnable = false;
    CullMode = None;
    AlphaBlendEnable = false;
    VertexShader = QuadVS;
    PixelShader = TintPS;
  }
  pass Wash {
    AlphaBlendEnable = true;
    SrcBlend = SrcAlpha;
    DestBlend = One;
    VertexShader = QuadVS;
    PixelShader = WashPS;
  }
}
