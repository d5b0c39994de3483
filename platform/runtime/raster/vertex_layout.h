// Where each input register of a vertex comes from: a vertex shader declaration or an
// FVF code turned into one description, and the reading of one element.
#pragma once

#include "platform/d3d8.h"

constexpr UINT VERTEX_REGISTER_COUNT = 17;  // D3DVSDE_POSITION .. D3DVSDE_NORMAL2
constexpr UINT STREAM_COUNT = 16;
constexpr UINT TEXCOORD_SET_COUNT = 8;

struct VertexElement {
    UINT stream;
    UINT offset;  // bytes from the start of the vertex in its stream
    DWORD type;   // D3DVSDT_*
};

struct VertexLayout {
    VertexElement elements[VERTEX_REGISTER_COUNT] = {};
    bool present[VERTEX_REGISTER_COUNT] = {};
    bool pretransformed = false;   // FVF XYZRHW: screen x, y, z and 1 / w
    UINT streamMask = 0;           // bit s: stream s is read
    UINT streamExtent[STREAM_COUNT] = {};  // bytes of one vertex each stream must hold
    UINT fvfStride = 0;            // the size of one vertex of an FVF code, else 0
};

// Bytes one element of a declaration data type occupies, 0 for an unknown type.
UINT VertexTypeSize(DWORD type);

// Reads a declaration up to D3DVSD_END; false when a token is malformed or unsupported
// (tessellator tokens, registers beyond D3DVSDE_NORMAL2, a register given twice, data
// before the first stream token) or no END comes within a sane number of tokens.
bool ParseVertexDeclaration(const DWORD* tokens, VertexLayout* layout);

// The layout of an FVF code in stream 0; false for codes with unknown bits or no position.
bool VertexLayoutFromFvf(DWORD fvf, VertexLayout* layout);

// Reads one element into four floats, missing components as (0, 0, 0, 1). D3DCOLOR
// gives red, green, blue, alpha in 0..1.
void ReadVertexElement(const BYTE* data, DWORD type, float out[4]);
