// d3dx9.h -- the D3DX utility library on our platform: math, meshes, effects, textures
#pragma once

#include <d3d9.h>

#include <d3dx9math.h>
#include <d3dx9effect.h>
#include <d3dx9mesh.h>
#include <d3dx9tex.h>
