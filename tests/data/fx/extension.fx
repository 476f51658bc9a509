// extension.fx -- a pixel shader that asks for a GLSL extension in its own text, and uses it
float4x4 Matrix;
texture Map;
sampler MapSampler = sampler_state { Texture = <Map>; };

vertexshader VS {
  void main() { gl_Position = Matrix * vec4(inPosition, 1.0); }
}

pixelshader PS {
  #extension GL_ARB_texture_gather : require
  void main() { outColor = textureGather(MapSampler, vec2(0.5)); }
}

technique T {
  pass P {
    VertexShader = VS;
    PixelShader = PS;
  }
}
