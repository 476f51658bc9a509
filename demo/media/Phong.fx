// Phong.fx -- the scene's effect: light-space depth into the shadow map ("ShadowMap"), then every
// surface lit by one spot light with a soft cone edge, shadowed through that map ("Scene")
//
// The shadow map holds 1 - z / 1000 for the nearest surface, z being its depth in the light's view
// (the light's far plane is at 1000). Nearer surfaces store larger values, and the cleared 0.0 means
// "no occluder at all". A surface is in shadow where the map holds a larger value than its own.

float4x4 g_mProj;              // the pass's projection: the light's, then the camera's
float4x4 g_mWorldView;         // world x view of the mesh being drawn
float4x4 g_mViewToLightProj;   // camera view space to the light's clip space
float3   g_vViewSpaceLightPosition;
float3   g_vViewSpaceLightDirection = {0.0, 0.0, 1.0};  // unit, from the light to its target
float    g_fCosLightOuterAngle = 0.8660254;  // cos of half the falloff angle
float    g_fCosLightInnerAngle = 0.9396926;  // cos of half the hotspot angle
float    g_fCosLightAngleDelta = 0.0736672;  // inner - outer
float    g_fShadowMapSize = 1024.0;
float    g_fRecipShadowMapSize = 0.0009765625;
texture  g_txDiffuseMap;
texture  g_txShadowMap;

sampler DiffuseSampler = sampler_state {
  Texture   = <g_txDiffuseMap>;
  MinFilter = Linear;
  MagFilter = Linear;
  MipFilter = Linear;
  AddressU  = Wrap;
  AddressV  = Wrap;
};

// Depths are compared, never blended: each texel is read as it is, and the filter is the shader's.
sampler ShadowSampler = sampler_state {
  Texture   = <g_txShadowMap>;
  MinFilter = Point;
  MagFilter = Point;
  MipFilter = None;
  AddressU  = Clamp;
  AddressV  = Clamp;
};

vertexshader ShadowVS {
  out float lightDepth;
  void main() {
    vec4 viewPosition = g_mWorldView * vec4(inPosition, 1.0);
    lightDepth = viewPosition.z;
    gl_Position = g_mProj * viewPosition;
  }
}

pixelshader ShadowPS {
  in float lightDepth;
  void main() { outColor = vec4(1.0 - lightDepth / 1000.0, 0.0, 0.0, 1.0); }
}

vertexshader SceneVS {
  out vec3 viewPosition;
  out vec3 viewNormal;
  out vec2 uv;
  out vec4 lightClip;
  flat out float texelScale;
  void main() {
    vec4 p = g_mWorldView * vec4(inPosition, 1.0);
    viewPosition = p.xyz;
    lightClip = g_mViewToLightProj * p;
    float xScale = length(vec3(g_mViewToLightProj[0][0], g_mViewToLightProj[1][0], g_mViewToLightProj[2][0]));
    texelScale = 2.0 / (xScale * g_fShadowMapSize);
    viewNormal = (g_mWorldView * vec4(inNormal, 0.0)).xyz;
    uv = inTexCoord;
    gl_Position = g_mProj * p;
  }
}

pixelshader ScenePS {
  #extension GL_ARB_texture_gather : require
  in vec3 viewPosition;
  in vec3 viewNormal;
  in vec2 uv;
  in vec4 lightClip;
  flat in float texelScale;

  const float kFar = 1000.0;
  const float kAmbient = 0.12;

  // Percentage-closer filtering of the 2 x 2 texels around pos (in texels): the four comparisons
  // blended by pos's place between the texel centres, so a shadow edge moves smoothly. The four
  // texels come in one gather at the corner they share: x (i0, j1), y (i1, j1), z (i1, j0) and
  // w (i0, j0), i0 and j0 being the column and row of the texel at base.
  float Pcf2x2(vec2 pos, float depth) {
    vec2 p = pos - 0.5;
    vec2 base = floor(p);
    vec2 f = p - base;
    vec4 texels = textureGather(ShadowSampler, (base + 1.0) * g_fRecipShadowMapSize);
    vec4 lit = step(texels, vec4(depth));  // 1.0 where the texel holds no surface nearer the light
    return mix(mix(lit.w, lit.z, f.x), mix(lit.x, lit.y, f.x), f.y);
  }

  // How much of the light reaches this point: 1 outside the shadow map's view, otherwise the
  // filtered comparison. At 1024 texels a texel is a pixel or less on the floor, so one 2 x 2
  // filter gives clean, smooth edges; a wider kernel looked the same and doubled the frame's cost.
  float LightVisibility(vec3 n, vec3 l) {
    if (lightClip.w <= 1.0) return 1.0;
    vec2 ndc = lightClip.xy / lightClip.w;
    vec2 coord = vec2(0.5 + 0.5 * ndc.x, 0.5 - 0.5 * ndc.y);  // row 0 of the map is its top
    if (any(lessThan(coord, vec2(0.0))) || any(greaterThan(coord, vec2(1.0)))) return 1.0;

    // The depth bias follows the size of a shadow-map texel at this distance and the surface's
    // slope to the light, since the filter compares with texels up to a texel away. The camera
    // view and the light view are rigid, so the length of the first column of g_mViewToLightProj
    // is the light projection's x scale, 1 / tan(fov / 2).
    float texelSize = lightClip.w * texelScale;
    float cosine = clamp(dot(n, l), 0.1, 1.0);
    float slope = min(sqrt(1.0 - cosine * cosine) / cosine, 8.0);
    float bias = texelSize * (1.0 + 2.0 * slope);
    float depth = 1.0 - (lightClip.w - bias) / kFar;

    return Pcf2x2(coord * g_fShadowMapSize, depth);
  }

  float Pow32(float x) {
    float x2 = x * x, x4 = x2 * x2, x8 = x4 * x4, x16 = x8 * x8;
    return x16 * x16;
  }

  void main() {
    vec3 n = normalize(viewNormal);
    vec3 toLight = g_vViewSpaceLightPosition - viewPosition;
    vec3 l = toLight / max(length(toLight), 1e-6);

    // Full light inside the inner cone, none outside the outer, a smooth blend between.
    float cosAngle = dot(-l, g_vViewSpaceLightDirection);
    float spot = g_fCosLightAngleDelta > 0.0
                     ? clamp((cosAngle - g_fCosLightOuterAngle) / g_fCosLightAngleDelta, 0.0, 1.0)
                     : step(g_fCosLightOuterAngle, cosAngle);
    spot = spot * spot * (3.0 - 2.0 * spot);

    float diffuse = max(dot(n, l), 0.0);
    float light = spot > 0.0 && diffuse > 0.0 ? spot * LightVisibility(n, l) : 0.0;
    vec3 h = normalize(l + normalize(-viewPosition));
    float specular = diffuse > 0.0 ? 0.25 * Pow32(max(dot(n, h), 0.0)) : 0.0;

    vec4 albedo = texture(DiffuseSampler, uv);
    outColor = vec4(albedo.rgb * (kAmbient + diffuse * light) + vec3(specular * light), 1.0);
  }
}

technique ShadowMap {
  pass Depth {
    ZEnable = true;
    ZWriteEnable = true;
    ZFunc = LessEqual;
    CullMode = None;  // thin and open surfaces cast shadows from either side
    AlphaBlendEnable = false;
    ColorWriteEnable = 15;
    VertexShader = ShadowVS;
    PixelShader = ShadowPS;
  }
}

technique Scene {
  pass Lit {
    ZEnable = true;
    ZWriteEnable = true;
    ZFunc = LessEqual;
    CullMode = CCW;
    AlphaBlendEnable = false;
    ColorWriteEnable = 15;
    VertexShader = SceneVS;
    PixelShader = ScenePS;
  }
}
