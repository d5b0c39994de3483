// Formats of 16 bits per channel that only decoded images use; they never reach Direct3D.
#pragma once

#include "platform/d3d8.h"

constexpr D3DFORMAT D3DFMT_L16_PRIVATE = static_cast<D3DFORMAT>(MAKEFOURCC(' ', 'L', '1', '6'));
constexpr D3DFORMAT D3DFMT_AL16_PRIVATE = static_cast<D3DFORMAT>(MAKEFOURCC('A', 'L', '1', '6'));
constexpr D3DFORMAT D3DFMT_R16_PRIVATE = static_cast<D3DFORMAT>(MAKEFOURCC(' ', 'R', '1', '6'));
constexpr D3DFORMAT D3DFMT_AR16_PRIVATE = static_cast<D3DFORMAT>(MAKEFOURCC('A', 'R', '1', '6'));

static_assert(D3DFMT_L16_PRIVATE == 0x36314C20u);
static_assert(D3DFMT_AL16_PRIVATE == 0x36314C41u);
static_assert(D3DFMT_R16_PRIVATE == 0x36315220u);
static_assert(D3DFMT_AR16_PRIVATE == 0x36315241u);
