// two_pass.fx -- a textured quad in two passes: the texture at g_fStrength, then a blended blue wash
float4x4 Matrix;
float g_fStrength = 0.5;
float4 g_vWash = {0.0, 0.0, 1.0, 0.5};
texture g_tDiffuse;

sampler DiffuseSampler = sampler_state {
  Texture = <g_tDiffuse>;
  MinFilter = Point;
  MagFilter = Point;
  MipFilter = None;
  AddressU = Clamp;
  AddressV = Clamp;
};

vertexshader QuadVS {
  out vec2 uv;
  void main() {
    uv = inTexCoord;
    gl_Position = Matrix * vec4(inPosition, 1.0);
  }
}

pixelshader TexturePS {
  in vec2 uv;
  void main() { outColor = texture(DiffuseSampler, uv) * g_fStrength; }
}

pixelshader WashPS {
  in vec2 uv;
  void main() { outColor = g_vWash; }
}

technique TexturedWash {
  pass Base {
    ZEnable = false;
    CullMode = None;
    AlphaBlendEnable = false;
    VertexShader = QuadVS;
    PixelShader = TexturePS;
  }
  pass Wash {
    AlphaBlendEnable = true;
    SrcBlend = SrcAlpha;
    DestBlend = One;
    VertexShader = QuadVS;
    PixelShader = WashPS;
  }
}

technique Plain {
  pass Only {
    ZEnable = false;
    CullMode = None;
    VertexShader = QuadVS;
    PixelShader = TexturePS;
  }
}
