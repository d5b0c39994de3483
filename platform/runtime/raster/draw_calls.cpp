// The draws: validating the call, processing the vertices it uses once each, choosing
// the pixel loop, then clipping, setting up and rasterizing every triangle.
#include <algorithm>
#include <cstring>

#include "platform/runtime/raster/buffer_resources.h"
#include "platform/runtime/raster/software_pipeline.h"

namespace {

// Pixels beyond the viewport edges that the guard band admits before clipping.
constexpr float GUARD_BAND_PIXELS = 8192.0f;

// How many vertices a primitive list, strip or fan of `count` triangles uses; 0 for other
// primitive types, which this rasterizer does not draw.
std::uint64_t VerticesForTriangles(D3DPRIMITIVETYPE type, UINT count) {
    switch (type) {
    case D3DPT_TRIANGLELIST: return 3ull * count;
    case D3DPT_TRIANGLESTRIP:
    case D3DPT_TRIANGLEFAN: return count + 2ull;
    default: return 0;
    }
}

// The element numbers of triangle t.
void TriangleElements(D3DPRIMITIVETYPE type, UINT t, UINT out[3]) {
    switch (type) {
    case D3DPT_TRIANGLELIST:
        out[0] = 3 * t;
        out[1] = 3 * t + 1;
        out[2] = 3 * t + 2;
        break;
    case D3DPT_TRIANGLESTRIP:
        // Every other triangle of a strip is reversed to keep one winding.
        out[0] = (t & 1) ? t + 1 : t;
        out[1] = (t & 1) ? t : t + 1;
        out[2] = t + 2;
        break;
    default:  // fan
        out[0] = 0;
        out[1] = t + 1;
        out[2] = t + 2;
        break;
    }
}

TargetKind TargetKindFor(D3DFORMAT format, bool* supported) {
    *supported = true;
    switch (format) {
    case D3DFMT_A8R8G8B8: return TargetKind::Argb32;
    case D3DFMT_X8R8G8B8: return TargetKind::Xrgb32;
    case D3DFMT_R5G6B5: return TargetKind::Rgb565;
    case D3DFMT_X1R5G5B5: return TargetKind::Xrgb1555;
    case D3DFMT_A1R5G5B5: return TargetKind::Argb1555;
    default: *supported = false; return TargetKind::Argb32;
    }
}

// Bit 0: passes when the new depth is less than the stored one, bit 1: equal, bit 2: greater.
unsigned DepthPassMask(DWORD func) {
    switch (func) {
    case D3DCMP_NEVER: return 0;
    case D3DCMP_LESS: return 1;
    case D3DCMP_EQUAL: return 2;
    case D3DCMP_LESSEQUAL: return 3;
    case D3DCMP_GREATER: return 4;
    case D3DCMP_NOTEQUAL: return 5;
    case D3DCMP_GREATEREQUAL: return 6;
    default: return 7;
    }
}

bool IsDiffuseOrCurrent(DWORD argument) { return argument == D3DTA_DIFFUSE || argument == D3DTA_CURRENT; }

// Which factors stage 0's alpha operation multiplies: the texture's alpha, the diffuse
// alpha, both or neither. False when it does anything else.
bool SimpleAlpha(DWORD op, DWORD arg1, DWORD arg2, bool* fromTexture, bool* fromDiffuse) {
    *fromTexture = *fromDiffuse = false;
    auto take = [&](DWORD arg) {
        arg &= ~D3DTA_ALPHAREPLICATE;
        if (arg == D3DTA_TEXTURE) *fromTexture = true;
        else if (IsDiffuseOrCurrent(arg)) *fromDiffuse = true;
        else return false;
        return true;
    };
    switch (op) {
    case D3DTOP_DISABLE: *fromDiffuse = true; return true;
    case D3DTOP_SELECTARG1: return take(arg1);
    case D3DTOP_SELECTARG2: return take(arg2);
    case D3DTOP_MODULATE: return take(arg1) && take(arg2) && *fromTexture && *fromDiffuse;
    default: return false;
    }
}

}  // namespace

HRESULT SoftwarePipeline::DrawPrimitive(D3DPRIMITIVETYPE primitiveType, UINT startVertex, UINT primitiveCount) {
    std::uint64_t count = VerticesForTriangles(primitiveType, primitiveCount);
    if (count == 0 || primitiveCount == 0) return D3DERR_INVALIDCALL;
    StreamView views[STREAM_COUNT];
    for (UINT s = 0; s < STREAM_COUNT; ++s) {
        if (BufferStorage* storage = streams_[s].buffer ? VertexBufferStorage(streams_[s].buffer) : nullptr) {
            views[s] = StreamView{storage->Bytes(), streams_[s].stride, storage->Length(), true};
        }
    }
    if (startVertex + count > 0xFFFFFFFFull) return D3DERR_INVALIDCALL;
    return Draw(primitiveType, primitiveCount, views, startVertex, static_cast<UINT>(count), IndexView{}, startVertex);
}

HRESULT SoftwarePipeline::DrawIndexedPrimitive(D3DPRIMITIVETYPE primitiveType, UINT minIndex, UINT numVertices,
                                               UINT startIndex, UINT primitiveCount) {
    std::uint64_t count = VerticesForTriangles(primitiveType, primitiveCount);
    if (count == 0 || primitiveCount == 0 || numVertices == 0 || !indices_) return D3DERR_INVALIDCALL;
    BufferStorage* indexStorage = IndexBufferStorage(indices_);
    const bool wide = IndexBufferFormat(indices_) == D3DFMT_INDEX32;
    const std::uint64_t indexSize = wide ? 4 : 2;
    if ((startIndex + count) * indexSize > indexStorage->Length()) return D3DERR_INVALIDCALL;
    StreamView views[STREAM_COUNT];
    for (UINT s = 0; s < STREAM_COUNT; ++s) {
        if (BufferStorage* storage = streams_[s].buffer ? VertexBufferStorage(streams_[s].buffer) : nullptr) {
            views[s] = StreamView{storage->Bytes(), streams_[s].stride, storage->Length(), true};
        }
    }
    std::uint64_t first = static_cast<std::uint64_t>(baseVertexIndex_) + minIndex;
    if (first + numVertices > 0xFFFFFFFFull) return D3DERR_INVALIDCALL;
    IndexView indices{indexStorage->Bytes() + startIndex * indexSize, wide, baseVertexIndex_};
    return Draw(primitiveType, primitiveCount, views, static_cast<UINT>(first), numVertices, indices, 0);
}

HRESULT SoftwarePipeline::DrawPrimitiveUP(D3DPRIMITIVETYPE primitiveType, UINT primitiveCount,
                                          const void* vertexStreamZeroData, UINT vertexStreamZeroStride) {
    std::uint64_t count = VerticesForTriangles(primitiveType, primitiveCount);
    if (count == 0 || primitiveCount == 0 || !vertexStreamZeroData || vertexStreamZeroStride == 0)
        return D3DERR_INVALIDCALL;
    StreamView views[STREAM_COUNT];
    views[0] = StreamView{static_cast<const BYTE*>(vertexStreamZeroData), vertexStreamZeroStride, 0, false};
    HRESULT result = Draw(primitiveType, primitiveCount, views, 0, static_cast<UINT>(count), IndexView{}, 0);
    // As on Direct3D 8, a draw from caller memory leaves stream 0 unset.
    SetStream(0, nullptr, 0);
    return result;
}

HRESULT SoftwarePipeline::DrawIndexedPrimitiveUP(D3DPRIMITIVETYPE primitiveType, UINT minVertexIndex,
                                                 UINT numVertexIndices, UINT primitiveCount, const void* indexData,
                                                 D3DFORMAT indexDataFormat, const void* vertexStreamZeroData,
                                                 UINT vertexStreamZeroStride) {
    std::uint64_t count = VerticesForTriangles(primitiveType, primitiveCount);
    if (count == 0 || primitiveCount == 0 || numVertexIndices == 0 || !indexData || !vertexStreamZeroData ||
        vertexStreamZeroStride == 0 || (indexDataFormat != D3DFMT_INDEX16 && indexDataFormat != D3DFMT_INDEX32))
        return D3DERR_INVALIDCALL;
    if (static_cast<std::uint64_t>(minVertexIndex) + numVertexIndices > 0xFFFFFFFFull) return D3DERR_INVALIDCALL;
    StreamView views[STREAM_COUNT];
    views[0] = StreamView{static_cast<const BYTE*>(vertexStreamZeroData), vertexStreamZeroStride, 0, false};
    IndexView indices{static_cast<const BYTE*>(indexData), indexDataFormat == D3DFMT_INDEX32, 0};
    HRESULT result = Draw(primitiveType, primitiveCount, views, minVertexIndex, numVertexIndices, indices, 0);
    // As on Direct3D 8, the draw leaves stream 0 and the indices unset.
    SetStream(0, nullptr, 0);
    SetIndexBuffer(nullptr, 0);
    return result;
}

HRESULT SoftwarePipeline::Draw(D3DPRIMITIVETYPE type, UINT primitiveCount, const StreamView* streams,
                               UINT firstVertex, UINT vertexCount, const IndexView& indices, UINT firstElement) {
    const VertexLayout* layout = CurrentLayout();
    if (!layout) return D3DERR_INVALIDCALL;

    // Every stream the layout reads must hold every vertex of the range.
    const BYTE* vertexStart[STREAM_COUNT] = {};
    for (UINT s = 0; s < STREAM_COUNT; ++s) {
        if (!(layout->streamMask & (1u << s))) continue;
        const StreamView& view = streams[s];
        if (!view.bytes) return D3DERR_INVALIDCALL;
        std::uint64_t end = (static_cast<std::uint64_t>(firstVertex) + vertexCount - 1) * view.stride +
                            layout->streamExtent[s];
        if (view.sized && end > view.size) return D3DERR_INVALIDCALL;
        vertexStart[s] = view.bytes + static_cast<std::uint64_t>(firstVertex) * view.stride;
    }

    // Resolve the elements to vertex numbers within the range before drawing anything,
    // so that an index outside it refuses the whole draw.
    const UINT elementCount = static_cast<UINT>(VerticesForTriangles(type, primitiveCount));
    std::vector<UINT>& elements = elementScratch_;
    elements.resize(elementCount);
    for (UINT e = 0; e < elementCount; ++e) {
        std::uint64_t vertex;
        if (indices.bytes) {
            std::uint32_t index;
            if (indices.wide) {
                std::memcpy(&index, indices.bytes + 4ull * e, 4);
            } else {
                std::uint16_t narrow;
                std::memcpy(&narrow, indices.bytes + 2ull * e, 2);
                index = narrow;
            }
            vertex = static_cast<std::uint64_t>(indices.base) + index;
        } else {
            vertex = static_cast<std::uint64_t>(firstElement) + e;
        }
        if (vertex < firstVertex || vertex >= static_cast<std::uint64_t>(firstVertex) + vertexCount)
            return D3DERR_INVALIDCALL;
        elements[e] = static_cast<UINT>(vertex - firstVertex);
    }

    DrawSetup setup;
    HRESULT prepared = PrepareDraw(*layout, &setup);
    if (prepared != S_OK) return SUCCEEDED(prepared) ? S_OK : prepared;

    // Vertex processing, once per vertex of the range.
    PrepareVertexProcessing(context_, *layout, &vertexState_);
    vertices_.resize(vertexCount);
    outcodes_.resize(vertexCount);
    const BYTE* at[STREAM_COUNT];
    for (UINT v = 0; v < vertexCount; ++v) {
        for (UINT s = 0; s < STREAM_COUNT; ++s)
            at[s] = vertexStart[s] ? vertexStart[s] + static_cast<std::uint64_t>(v) * streams[s].stride : nullptr;
        ProcessVertex(vertexState_, *layout, at, &vertices_[v]);
        outcodes_[v] = layout->pretransformed ? 0u : ClipOutcode(vertices_[v], setup.bounds);
    }
    ChooseShading(vertexCount, &setup);
    if (!setup.rasterizer) return D3DERR_INVALIDCALL;

    for (UINT t = 0; t < primitiveCount; ++t) {
        UINT e[3];
        TriangleElements(type, t, e);
        const UINT a = elements[e[0]], b = elements[e[1]], c = elements[e[2]];
        const unsigned codes[3] = {outcodes_[a], outcodes_[b], outcodes_[c]};
        DrawTriangle(vertices_[a], vertices_[b], vertices_[c], codes, setup);
    }
    return S_OK;
}

HRESULT SoftwarePipeline::PrepareDraw(const VertexLayout& layout, DrawSetup* setup) {
    StorageView target = context_.RenderTarget();
    if (!target.bits) return D3DERR_INVALIDCALL;
    bool supported;
    TargetKind targetKind = TargetKindFor(target.format, &supported);
    if (!supported) return D3DERR_INVALIDCALL;

    const D3DVIEWPORT8& viewport = context_.Viewport();
    ScissorRect scissor;
    scissor.left = static_cast<int>(std::min<DWORD>(viewport.X, target.width));
    scissor.top = static_cast<int>(std::min<DWORD>(viewport.Y, target.height));
    scissor.right = static_cast<int>(std::min<std::uint64_t>(static_cast<std::uint64_t>(viewport.X) + viewport.Width, target.width));
    scissor.bottom = static_cast<int>(std::min<std::uint64_t>(static_cast<std::uint64_t>(viewport.Y) + viewport.Height, target.height));

    PixelContext& pixels = setup->pixels;
    pixels.color = target.bits;
    pixels.colorPitch = target.pitch;

    DepthMode depthMode = DepthMode::None;
    if (context_.RenderState(D3DRS_ZENABLE) != D3DZB_FALSE) {
        StorageView depth = context_.DepthBuffer();
        if (depth.bits && (depth.format == D3DFMT_D16 || depth.format == D3DFMT_D16_LOCKABLE)) {
            depthMode = context_.RenderState(D3DRS_ZWRITEENABLE) ? DepthMode::TestWrite : DepthMode::Test;
            pixels.depth = depth.bits;
            pixels.depthPitch = depth.pitch;
            pixels.depthPass = DepthPassMask(context_.RenderState(D3DRS_ZFUNC));
            scissor.right = std::min(scissor.right, static_cast<int>(depth.width));
            scissor.bottom = std::min(scissor.bottom, static_cast<int>(depth.height));
        }
    }
    if (scissor.left >= scissor.right || scissor.top >= scissor.bottom) return S_FALSE;  // nothing to draw

    setup->scissor = scissor;
    setup->mapping = MakeViewportMapping(viewport);
    setup->bounds.guardX = 1.0f + 2.0f * GUARD_BAND_PIXELS / static_cast<float>(viewport.Width);
    setup->bounds.guardY = 1.0f + 2.0f * GUARD_BAND_PIXELS / static_cast<float>(viewport.Height);
    setup->cullMode = context_.RenderState(D3DRS_CULLMODE);
    setup->flat = context_.RenderState(D3DRS_SHADEMODE) == D3DSHADE_FLAT;
    setup->pretransformed = layout.pretransformed;
    setup->rasterizer = nullptr;
    setup->attrCount = ATTR_COUNT;
    setup->depthMode = depthMode;
    setup->targetKind = targetKind;
    return S_OK;
}

void SoftwarePipeline::ChooseShading(UINT vertexCount, DrawSetup* setup) {
    PixelContext& pixels = setup->pixels;

    // The enabled stages, with their textures decoded.
    int stageCount = 0;
    int texcoordSets = 0;
    while (stageCount < static_cast<int>(TEXTURE_STAGE_COUNT) &&
           stageStates_(stageCount, D3DTSS_COLOROP) != D3DTOP_DISABLE) {
        const DWORD s = static_cast<DWORD>(stageCount);
        StageProgram& stage = pixels.stages[s];
        stage.colorOp = stageStates_(s, D3DTSS_COLOROP);
        stage.colorArg[0] = stageStates_(s, D3DTSS_COLORARG0);
        stage.colorArg[1] = stageStates_(s, D3DTSS_COLORARG1);
        stage.colorArg[2] = stageStates_(s, D3DTSS_COLORARG2);
        stage.alphaOp = stageStates_(s, D3DTSS_ALPHAOP);
        stage.alphaArg[0] = stageStates_(s, D3DTSS_ALPHAARG0);
        stage.alphaArg[1] = stageStates_(s, D3DTSS_ALPHAARG1);
        stage.alphaArg[2] = stageStates_(s, D3DTSS_ALPHAARG2);
        stage.resultArg = stageStates_(s, D3DTSS_RESULTARG);
        stage.texcoordSet = static_cast<int>(stageStates_(s, D3DTSS_TEXCOORDINDEX) & 0xFFFF) % TEXCOORD_SET_COUNT;
        stage.hasTexture =
            DecodeTextureLevel(context_, textures_[s], stageStates_, s, &texelStorage_[s], &stage.texture);
        texcoordSets = std::max(texcoordSets, stage.texcoordSet + 1);
        ++stageCount;
    }
    pixels.stageCount = stageCount;
    pixels.textureFactor = context_.RenderState(D3DRS_TEXTUREFACTOR);

    bool anySpecular = false;
    if (context_.RenderState(D3DRS_SPECULARENABLE)) {
        for (UINT v = 0; v < vertexCount && !anySpecular; ++v)
            anySpecular = vertices_[v].specular[0] > 0.0f || vertices_[v].specular[1] > 0.0f ||
                          vertices_[v].specular[2] > 0.0f;
    }
    pixels.addSpecular = anySpecular;
    pixels.alphaTest = context_.RenderState(D3DRS_ALPHATESTENABLE) != 0;
    pixels.alphaFunc = context_.RenderState(D3DRS_ALPHAFUNC);
    pixels.alphaRef = static_cast<int>(context_.RenderState(D3DRS_ALPHAREF) & 0xFF);
    pixels.sourceBlend = context_.RenderState(D3DRS_SRCBLEND);
    pixels.destBlend = context_.RenderState(D3DRS_DESTBLEND);
    pixels.alphaBlend = context_.RenderState(D3DRS_ALPHABLENDENABLE) != 0 &&
                        !(pixels.sourceBlend == D3DBLEND_ONE && pixels.destBlend == D3DBLEND_ZERO);

    // The fast loops cover what the defaults and the usual single texture need; the
    // general loop everything else.
    ShadingKind shading = ShadingKind::General;
    if (!pixels.addSpecular && !pixels.alphaTest && !pixels.alphaBlend) {
        if (stageCount == 0) {
            shading = ShadingKind::Diffuse;
            pixels.alphaFromDiffuse = true;
        } else if (stageCount == 1) {
            const StageProgram& stage = pixels.stages[0];
            bool modulate = stage.colorOp == D3DTOP_MODULATE &&
                            ((stage.colorArg[1] == D3DTA_TEXTURE && IsDiffuseOrCurrent(stage.colorArg[2])) ||
                             (stage.colorArg[2] == D3DTA_TEXTURE && IsDiffuseOrCurrent(stage.colorArg[1])));
            bool fromTexture, fromDiffuse;
            bool simpleAlpha = SimpleAlpha(stage.alphaOp, stage.alphaArg[1], stage.alphaArg[2], &fromTexture, &fromDiffuse);
            bool pointWrap = stage.texture.addressU == D3DTADDRESS_WRAP && stage.texture.addressV == D3DTADDRESS_WRAP &&
                             !stage.texture.linear;
            if (modulate && simpleAlpha && (stage.resultArg & D3DTA_SELECTMASK) == D3DTA_CURRENT) {
                if (!stage.hasTexture) {
                    // The missing texture reads as opaque white: the diffuse colour remains.
                    shading = ShadingKind::Diffuse;
                    pixels.alphaFromDiffuse = fromDiffuse;
                } else if (pointWrap) {
                    shading = ShadingKind::TextureModulate;
                    pixels.texture = stage.texture;
                    pixels.texcoordSet = stage.texcoordSet;
                    pixels.alphaFromTexture = fromTexture;
                    pixels.alphaFromDiffuse = fromDiffuse;
                    texcoordSets = stage.texcoordSet + 1;
                }
            }
        }
    }
    setup->attrCount = AttributesUsed(shading, texcoordSets);
    setup->rasterizer = ChooseTriangleRasterizer(shading, setup->depthMode, setup->targetKind);
}

void SoftwarePipeline::DrawTriangle(const ClipVertex& a, const ClipVertex& b, const ClipVertex& c,
                                    const unsigned* outcodes, const DrawSetup& setup) {
    TriangleSetup triangle;
    if (setup.pretransformed) {
        ScreenVertex s[3];
        ScreenVertexFromPretransformed(a, &s[0]);
        ScreenVertexFromPretransformed(b, &s[1]);
        ScreenVertexFromPretransformed(c, &s[2]);
        if (SetupTriangle(s[0], s[1], s[2], setup.cullMode, setup.scissor, setup.attrCount, setup.flat, &triangle))
            setup.rasterizer(triangle, setup.pixels);
        return;
    }
    if (outcodes[0] & outcodes[1] & outcodes[2]) return;  // wholly outside one plane
    if ((outcodes[0] | outcodes[1] | outcodes[2]) == 0) {
        ScreenVertex s[3];
        ProjectVertex(a, setup.mapping, &s[0]);
        ProjectVertex(b, setup.mapping, &s[1]);
        ProjectVertex(c, setup.mapping, &s[2]);
        if (SetupTriangle(s[0], s[1], s[2], setup.cullMode, setup.scissor, setup.attrCount, setup.flat, &triangle))
            setup.rasterizer(triangle, setup.pixels);
        return;
    }
    ClipVertex polygon[MAX_CLIPPED_VERTICES];
    int count = ClipTriangle(a, b, c, setup.bounds, polygon);
    if (count < 3) return;
    ScreenVertex screen[MAX_CLIPPED_VERTICES];
    for (int i = 0; i < count; ++i) ProjectVertex(polygon[i], setup.mapping, &screen[i]);
    for (int i = 1; i + 1 < count; ++i) {
        if (SetupTriangle(screen[0], screen[i], screen[i + 1], setup.cullMode, setup.scissor, setup.attrCount,
                          setup.flat, &triangle))
            setup.rasterizer(triangle, setup.pixels);
    }
}
