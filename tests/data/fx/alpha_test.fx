// alpha_test.fx -- a flat colour drawn under the alpha test: pixels with alpha at or below 0.5 are dropped
float4x4 Matrix;
float4 g_vColor = {1.0, 1.0, 1.0, 1.0};

vertexshader FlatVS {
  void main() { gl_Position = Matrix * vec4(inPosition, 1.0); }
}

pixelshader FlatPS {
  void main() { outColor = g_vColor; }
}

technique AlphaTested {
  pass Only {
    ZEnable = false;
    CullMode = None;
    AlphaTestEnable = true;
    AlphaFunc = Greater;
    AlphaRef = 128;
    VertexShader = FlatVS;
    PixelShader = FlatPS;
  }
}
