// solid.fx -- geometry in one colour, placed by Matrix (world x view x projection)
float4x4 Matrix;
float4 g_vColor = {1.0, 1.0, 1.0, 1.0};

vertexshader SolidVS {
  void main() { gl_Position = Matrix * vec4(inPosition, 1.0); }
}

pixelshader SolidPS {
  void main() { outColor = g_vColor; }
}

technique Solid {
  pass P0 {
    ZEnable = false;
    CullMode = None;
    VertexShader = SolidVS;
    PixelShader = SolidPS;
  }
}

// Direct3D's default culling: counter-clockwise faces are dropped, clockwise ones drawn.
technique SolidCulled {
  pass P0 {
    ZEnable = false;
    CullMode = CCW;
    VertexShader = SolidVS;
    PixelShader = SolidPS;
  }
}
