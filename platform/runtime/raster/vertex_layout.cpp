#include "platform/runtime/raster/vertex_layout.h"

#include <cstring>

namespace {

// Every FVF bit this runtime reads; 0x1000 marks the last blend weight as UBYTE4.
constexpr DWORD KNOWN_FVF_BITS = D3DFVF_POSITION_MASK | D3DFVF_NORMAL | D3DFVF_PSIZE | D3DFVF_DIFFUSE |
                                 D3DFVF_SPECULAR | D3DFVF_TEXCOUNT_MASK | 0x1000u | 0xFFFF0000u;

// A declaration longer than this is taken as unterminated.
constexpr UINT MAX_DECLARATION_TOKENS = 1024;

DWORD TokenType(DWORD token) { return (token & D3DVSD_TOKENTYPEMASK) >> D3DVSD_TOKENTYPESHIFT; }

void AddElement(VertexLayout* layout, DWORD reg, UINT stream, UINT offset, DWORD type) {
    layout->present[reg] = true;
    layout->elements[reg] = VertexElement{stream, offset, type};
    layout->streamMask |= 1u << stream;
    UINT end = offset + VertexTypeSize(type);
    if (end > layout->streamExtent[stream]) layout->streamExtent[stream] = end;
}

// FVF texture coordinate sizes, two bits per set from bit 16: 2, 3, 4 or 1 floats.
DWORD FvfTexcoordType(DWORD fvf, UINT set) {
    static const DWORD types[4] = {D3DVSDT_FLOAT2, D3DVSDT_FLOAT3, D3DVSDT_FLOAT4, D3DVSDT_FLOAT1};
    return types[(fvf >> (16 + 2 * set)) & 3];
}

}  // namespace

UINT VertexTypeSize(DWORD type) {
    switch (type) {
    case D3DVSDT_FLOAT1: return 4;
    case D3DVSDT_FLOAT2: return 8;
    case D3DVSDT_FLOAT3: return 12;
    case D3DVSDT_FLOAT4: return 16;
    case D3DVSDT_D3DCOLOR: return 4;
    case D3DVSDT_UBYTE4: return 4;
    case D3DVSDT_SHORT2: return 4;
    case D3DVSDT_SHORT4: return 8;
    default: return 0;
    }
}

bool ParseVertexDeclaration(const DWORD* tokens, VertexLayout* layout) {
    if (!tokens || !layout) return false;
    *layout = VertexLayout{};
    bool haveStream = false;
    UINT stream = 0;
    UINT offset = 0;
    for (UINT i = 0; i < MAX_DECLARATION_TOKENS; ++i) {
        DWORD token = tokens[i];
        if (token == D3DVSD_END()) return layout->present[D3DVSDE_POSITION];
        switch (TokenType(token)) {
        case D3DVSD_TOKEN_NOP:
            if (token != D3DVSD_NOP()) return false;
            break;
        case D3DVSD_TOKEN_STREAM:
            if (token & 0x10000000u) return false;  // tessellator stream
            stream = token & D3DVSD_STREAMNUMBERMASK;
            offset = 0;
            haveStream = true;
            break;
        case D3DVSD_TOKEN_STREAMDATA:
            if (!haveStream) return false;
            if (token & D3DVSD_DATALOADTYPEMASK) {
                offset += 4 * ((token & D3DVSD_SKIPCOUNTMASK) >> D3DVSD_SKIPCOUNTSHIFT);
            } else {
                DWORD reg = token & D3DVSD_VERTEXREGMASK;
                DWORD type = (token & D3DVSD_DATATYPEMASK) >> D3DVSD_DATATYPESHIFT;
                if (reg >= VERTEX_REGISTER_COUNT || layout->present[reg] || VertexTypeSize(type) == 0) return false;
                AddElement(layout, reg, stream, offset, type);
                offset += VertexTypeSize(type);
            }
            break;
        case D3DVSD_TOKEN_CONSTMEM: {
            // Constants for programmable shaders: skip their four-DWORD records.
            UINT count = (token >> 25) & 0xF;
            i += 4 * count;
            break;
        }
        case D3DVSD_TOKEN_EXT: {
            UINT count = (token >> 24) & 0x1F;
            i += count;
            break;
        }
        default:
            return false;
        }
    }
    return false;
}

bool VertexLayoutFromFvf(DWORD fvf, VertexLayout* layout) {
    if (!layout) return false;
    *layout = VertexLayout{};
    if (fvf & ~KNOWN_FVF_BITS) return false;
    UINT texcoordCount = (fvf & D3DFVF_TEXCOUNT_MASK) >> D3DFVF_TEXCOUNT_SHIFT;
    if (texcoordCount > TEXCOORD_SET_COUNT) return false;
    UINT offset = 0;
    switch (fvf & D3DFVF_POSITION_MASK) {
    case D3DFVF_XYZ:
        AddElement(layout, D3DVSDE_POSITION, 0, 0, D3DVSDT_FLOAT3);
        offset = 12;
        break;
    case D3DFVF_XYZRHW:
        AddElement(layout, D3DVSDE_POSITION, 0, 0, D3DVSDT_FLOAT4);
        layout->pretransformed = true;
        offset = 16;
        break;
    case D3DFVF_XYZB1:
    case D3DFVF_XYZB2:
    case D3DFVF_XYZB3:
    case D3DFVF_XYZB4:
    case D3DFVF_XYZB5:
        // Blend weights follow the position; matrix blending is not drawn, so they
        // are only stepped over.
        AddElement(layout, D3DVSDE_POSITION, 0, 0, D3DVSDT_FLOAT3);
        offset = 12 + 4 * (((fvf & D3DFVF_POSITION_MASK) - D3DFVF_XYZ) / 2);
        break;
    default:
        return false;
    }
    auto add = [layout, &offset](DWORD reg, DWORD type) {
        AddElement(layout, reg, 0, offset, type);
        offset += VertexTypeSize(type);
    };
    if (fvf & D3DFVF_NORMAL) add(D3DVSDE_NORMAL, D3DVSDT_FLOAT3);
    if (fvf & D3DFVF_PSIZE) add(D3DVSDE_PSIZE, D3DVSDT_FLOAT1);
    if (fvf & D3DFVF_DIFFUSE) add(D3DVSDE_DIFFUSE, D3DVSDT_D3DCOLOR);
    if (fvf & D3DFVF_SPECULAR) add(D3DVSDE_SPECULAR, D3DVSDT_D3DCOLOR);
    for (UINT set = 0; set < texcoordCount; ++set) add(D3DVSDE_TEXCOORD0 + set, FvfTexcoordType(fvf, set));
    layout->fvfStride = offset;
    return true;
}

void ReadVertexElement(const BYTE* data, DWORD type, float out[4]) {
    out[0] = 0.0f;
    out[1] = 0.0f;
    out[2] = 0.0f;
    out[3] = 1.0f;
    switch (type) {
    case D3DVSDT_FLOAT1:
    case D3DVSDT_FLOAT2:
    case D3DVSDT_FLOAT3:
    case D3DVSDT_FLOAT4:
        std::memcpy(out, data, VertexTypeSize(type));
        break;
    case D3DVSDT_D3DCOLOR: {
        DWORD color;
        std::memcpy(&color, data, 4);
        out[0] = static_cast<float>((color >> 16) & 0xFF) / 255.0f;
        out[1] = static_cast<float>((color >> 8) & 0xFF) / 255.0f;
        out[2] = static_cast<float>(color & 0xFF) / 255.0f;
        out[3] = static_cast<float>(color >> 24) / 255.0f;
        break;
    }
    case D3DVSDT_UBYTE4:
        for (int i = 0; i < 4; ++i) out[i] = static_cast<float>(data[i]);
        break;
    case D3DVSDT_SHORT2:
    case D3DVSDT_SHORT4: {
        std::int16_t values[4];
        UINT count = type == D3DVSDT_SHORT2 ? 2 : 4;
        std::memcpy(values, data, 2 * count);
        for (UINT i = 0; i < count; ++i) out[i] = static_cast<float>(values[i]);
        break;
    }
    default:
        break;
    }
}
