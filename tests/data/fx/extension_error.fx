// extension_error.fx -- an extension asked for on line 10; the undeclared name on line 13
float4x4 Matrix;

vertexshader VS {
  void main() { gl_Position = Matrix * vec4(inPosition, 1.0); }
}

pixelshader PS {

  #extension GL_ARB_texture_gather : require
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
