// glsl_error.fx -- the pixel shader uses an undeclared name on line 12
float4x4 Matrix;

vertexshader VS {
  void main() { gl_Position = Matrix * vec4(inPosition, 1.0); }
}

pixelshader PS {
  void main() {
    vec4 c = vec4(1.0);

    outColor = c * undeclaredThing;
  }
}

technique T {
  pass P {
    VertexShader = VS;
    PixelShader = PS;
  }
}
