// texture.fx -- the sprite layers: a textured grid placed by one matrix, pixel art kept crisp
//
// Sprites are pictures with transparent parts, drawn over the black frame. Point sampling keeps
// every texel a sharp square at any zoom (no blur when magnified, no smeared edges when
// shrunk), and clamping keeps a cell's edge from taking texels of the opposite edge. Alpha
// blending over black leaves the transparent parts black.
float4x4 Matrix;   // the whole vertex transform (an orthographic projection)
texture TextureMap;

sampler SpriteSampler = sampler_state {
  Texture = <TextureMap>;
  MinFilter = Point;
  MagFilter = Point;
  MipFilter = None;
  AddressU = Clamp;
  AddressV = Clamp;
};

vertexshader SpriteVS {
  out vec2 uv;
  void main() {
    uv = inTexCoord;
    gl_Position = Matrix * vec4(inPosition, 1.0);
  }
}

pixelshader SpritePS {
  in vec2 uv;
  void main() { outColor = texture(SpriteSampler, uv); }
}

technique T0 {
  pass P0 {
    ZEnable = false;
    ZWriteEnable = false;
    CullMode = None;
    AlphaBlendEnable = true;
    SrcBlend = SrcAlpha;
    DestBlend = InvSrcAlpha;
    VertexShader = SpriteVS;
    PixelShader = SpritePS;
  }
}
