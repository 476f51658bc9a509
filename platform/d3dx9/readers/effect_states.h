// effect_states.h -- the render and sampler state names an effect file may assign, and their values
#pragma once

#include <d3d9.h>

#include <string>

namespace d3dx9fx {

// Names are matched without regard to case, as D3DX's effect compiler does.
bool RenderStateByName(const std::string& name, D3DRENDERSTATETYPE* state);
bool SamplerStateByName(const std::string& name, D3DSAMPLERSTATETYPE* state);
// A named value ("SrcAlpha", "CCW", "true", "Linear", "Clamp") for the given state.
bool RenderStateValue(D3DRENDERSTATETYPE state, const std::string& name, DWORD* value);
bool SamplerStateValue(D3DSAMPLERSTATETYPE state, const std::string& name, DWORD* value);

}  // namespace d3dx9fx
