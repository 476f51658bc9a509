// syntax_error.fx -- the semicolon after g_fTime is missing
float4x4 Matrix;
float g_fTime = 1.0
float g_fOther;
