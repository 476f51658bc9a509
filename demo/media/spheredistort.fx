// spheredistort.fx -- a sphere turned into a wobbling blob of liquid metal
//
// The vertex shader pushes every vertex along its radius by two crossing waves and a third
// along z, whose frequencies and phases follow MinorMul, so the blob's surface ripples and
// flows as the program moves MinorMul over time. The normal of the distorted surface comes
// from two nearby points of the same displacement, so the shading follows the ripples rather
// than the sphere underneath. The pixel shader reflects the eye's ray (the eye is at the
// origin of world space, looking along +z) about that normal and reads EnvMap as a sphere
// map, then tints the metal with Colour, adds a white highlight and a rim of tinted light.
//
// The displacement is at most kAmplitude x 1.5 = 9 % of the radius, outwards or inwards.
float4   Colour = {1.0, 1.0, 1.0, 1.0};  // tint of the metal; alpha is the output's alpha
float4x4 Matrix;                          // world x projection
float4x4 WorldMatrix;                     // world (rotation, then translation)
texture  EnvMap;                          // a sphere map of the surroundings
float3   MinorMul;                        // wave frequencies and phases, about -24 to 24

sampler EnvSampler = sampler_state {
  Texture = <EnvMap>;
  MinFilter = Linear;
  MagFilter = Linear;
  MipFilter = Linear;
  AddressU = Clamp;
  AddressV = Clamp;
};

vertexshader BlobVS {
  out vec3 worldPosition;
  out vec3 worldNormal;

  const float kAmplitude = 0.06;

  // The radial scale of the unit direction n: 1 plus waves of at most 1.5 x kAmplitude.
  float Swell(vec3 n) {
    vec2 frequency = vec2(4.0) + MinorMul.xy * 0.125;  // 1 to 7 waves a radian
    float crossing = sin(frequency.x * n.x + MinorMul.y) * sin(frequency.y * n.y + MinorMul.x);
    float along = sin((frequency.x + frequency.y) * 0.5 * n.z + MinorMul.x + MinorMul.y + MinorMul.z);
    return 1.0 + kAmplitude * (crossing + 0.5 * along);
  }

  vec3 Surface(vec3 n, float radius) { return n * radius * Swell(n); }

  void main() {
    float radius = length(inPosition);
    vec3 n = radius > 0.0 ? inPosition / radius : vec3(0.0, 1.0, 0.0);
    vec3 position = Surface(n, radius);

    // Two tangent directions, then the surface a small step along each.
    vec3 side = abs(n.y) < 0.9 ? vec3(0.0, 1.0, 0.0) : vec3(1.0, 0.0, 0.0);
    vec3 t1 = normalize(cross(n, side));
    vec3 t2 = cross(n, t1);
    const float kStep = 0.02;
    vec3 p1 = Surface(normalize(n + kStep * t1), radius);
    vec3 p2 = Surface(normalize(n + kStep * t2), radius);
    vec3 normal = normalize(cross(p1 - position, p2 - position));
    if (dot(normal, n) < 0.0) normal = -normal;

    worldPosition = (WorldMatrix * vec4(position, 1.0)).xyz;
    worldNormal = (WorldMatrix * vec4(normal, 0.0)).xyz;
    gl_Position = Matrix * vec4(position, 1.0);
  }
}

pixelshader BlobPS {
  in vec3 worldPosition;
  in vec3 worldNormal;

  void main() {
    vec3 normal = normalize(worldNormal);
    vec3 toSurface = normalize(worldPosition);  // from the eye at the origin
    vec3 reflected = reflect(toSurface, normal);

    // Sphere-map coordinates: straight back at the eye (-z) is the map's centre, straight
    // away from it is the rim. v grows downwards.
    float m = 2.0 * sqrt(reflected.x * reflected.x + reflected.y * reflected.y +
                         (reflected.z - 1.0) * (reflected.z - 1.0)) + 1e-5;
    vec2 uv = vec2(0.5 + reflected.x / m, 0.5 - reflected.y / m);
    vec3 metal = texture(EnvSampler, uv).rgb;

    // A tint, not a wash: the metal keeps most of its own colour.
    vec3 tint = mix(vec3(1.0), Colour.rgb, 0.25);
    vec3 colour = metal * tint;

    const vec3 kLight = vec3(-0.45, 0.65, -0.61);  // up, left, behind the eye
    float highlight = pow(max(dot(reflected, kLight), 0.0), 40.0);
    float facing = clamp(dot(-toSurface, normal), 0.0, 1.0);
    float rim = pow(1.0 - facing, 3.0);
    colour += vec3(highlight) * 0.8 + rim * 0.3 * mix(vec3(1.0), Colour.rgb, 0.4);
    outColor = vec4(min(colour, vec3(1.0)), Colour.a);
  }
}

technique SphereDistort {
  pass P0 {
    ZEnable = true;
    ZWriteEnable = true;
    ZFunc = LessEqual;
    CullMode = CCW;
    AlphaBlendEnable = false;
    VertexShader = BlobVS;
    PixelShader = BlobPS;
  }
}
