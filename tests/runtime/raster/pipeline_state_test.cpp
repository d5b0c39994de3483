// Buffers, bindings, vertex shader declarations, texture stage states and the refusals
// of the draw calls, through a fake device.
#include <gtest/gtest.h>

#include "fake_device_context.h"

namespace {

TEST(Buffers, CreationDescriptionsAndCounting) {
    FakeDeviceContext context;
    auto pipeline = MakeDrawPipeline(context);
    IDirect3DVertexBuffer8* vertices = nullptr;
    ASSERT_EQ(pipeline->CreateVertexBuffer(448, D3DUSAGE_WRITEONLY, 0, D3DPOOL_MANAGED, &vertices), S_OK);
    IDirect3DIndexBuffer8* indices = nullptr;
    ASSERT_EQ(pipeline->CreateIndexBuffer(36, 0, D3DFMT_INDEX32, D3DPOOL_DEFAULT, &indices), S_OK);
    EXPECT_EQ(context.LiveObjects(), 2);
    EXPECT_EQ(context.LiveDefaultPoolObjects(), 1);

    D3DVERTEXBUFFER_DESC vd;
    ASSERT_EQ(vertices->GetDesc(&vd), S_OK);
    EXPECT_EQ(vd.Format, D3DFMT_VERTEXDATA);
    EXPECT_EQ(vd.Type, D3DRTYPE_VERTEXBUFFER);
    EXPECT_EQ(vd.Usage, D3DUSAGE_WRITEONLY);
    EXPECT_EQ(vd.Pool, D3DPOOL_MANAGED);
    EXPECT_EQ(vd.Size, 448u);
    D3DINDEXBUFFER_DESC id;
    ASSERT_EQ(indices->GetDesc(&id), S_OK);
    EXPECT_EQ(id.Format, D3DFMT_INDEX32);
    EXPECT_EQ(id.Pool, D3DPOOL_DEFAULT);
    EXPECT_EQ(vertices->GetType(), D3DRTYPE_VERTEXBUFFER);
    EXPECT_EQ(indices->GetType(), D3DRTYPE_INDEXBUFFER);

    void* asResource = nullptr;
    ASSERT_EQ(vertices->QueryInterface(IID_IDirect3DResource8, &asResource), S_OK);
    EXPECT_EQ(vertices->Release(), 1u);
    EXPECT_EQ(indices->QueryInterface(IID_IDirect3DVertexBuffer8, &asResource), E_NOINTERFACE);

    EXPECT_EQ(vertices->Release(), 0u);
    EXPECT_EQ(indices->Release(), 0u);
    EXPECT_EQ(context.LiveObjects(), 0);
    EXPECT_EQ(context.LiveDefaultPoolObjects(), 0);
}

TEST(Buffers, InvalidCreationsAreRefused) {
    FakeDeviceContext context;
    auto pipeline = MakeDrawPipeline(context);
    IDirect3DVertexBuffer8* vertices = reinterpret_cast<IDirect3DVertexBuffer8*>(1);
    EXPECT_EQ(pipeline->CreateVertexBuffer(0, 0, 0, D3DPOOL_MANAGED, &vertices), D3DERR_INVALIDCALL);
    EXPECT_EQ(vertices, nullptr);
    EXPECT_EQ(pipeline->CreateVertexBuffer(16, 0, 0, static_cast<D3DPOOL>(7), &vertices), D3DERR_INVALIDCALL);
    EXPECT_EQ(pipeline->CreateVertexBuffer(16, D3DUSAGE_RENDERTARGET, 0, D3DPOOL_MANAGED, &vertices),
              D3DERR_INVALIDCALL);
    IDirect3DIndexBuffer8* indices = nullptr;
    EXPECT_EQ(pipeline->CreateIndexBuffer(16, 0, D3DFMT_X8R8G8B8, D3DPOOL_MANAGED, &indices), D3DERR_INVALIDCALL);
    EXPECT_EQ(context.LiveObjects(), 0);
}

TEST(Buffers, LockRangesAndUnlock) {
    FakeDeviceContext context;
    auto pipeline = MakeDrawPipeline(context);
    IDirect3DVertexBuffer8* buffer = nullptr;
    ASSERT_EQ(pipeline->CreateVertexBuffer(64, 0, 0, D3DPOOL_DEFAULT, &buffer), S_OK);
    BYTE* whole = nullptr;
    ASSERT_EQ(buffer->Lock(0, 0, &whole, 0), S_OK);  // size 0: to the end
    whole[63] = 0x5A;
    BYTE* part = nullptr;
    ASSERT_EQ(buffer->Lock(60, 4, &part, D3DLOCK_READONLY), S_OK);
    EXPECT_EQ(part, whole + 60);
    EXPECT_EQ(part[3], 0x5A);
    EXPECT_EQ(buffer->Unlock(), S_OK);
    EXPECT_EQ(buffer->Unlock(), S_OK);
    EXPECT_EQ(buffer->Unlock(), D3DERR_INVALIDCALL);  // not locked

    struct Range {
        UINT offset, size;
    };
    for (Range r : {Range{60, 8}, Range{65, 0}, Range{0, 65}, Range{0xFFFFFFF0u, 0x20}}) {
        BYTE* data = whole;
        EXPECT_EQ(buffer->Lock(r.offset, r.size, &data, 0), D3DERR_INVALIDCALL) << r.offset << "+" << r.size;
        EXPECT_EQ(data, nullptr);
    }
    EXPECT_EQ(buffer->Lock(0, 0, nullptr, 0), D3DERR_INVALIDCALL);
    buffer->Release();
}

TEST(Bindings, StreamsIndicesAndTexturesHoldReferencesUntilReleased) {
    FakeDeviceContext context;
    auto pipeline = MakeDrawPipeline(context);
    IDirect3DVertexBuffer8* vertices = nullptr;
    IDirect3DIndexBuffer8* indices = nullptr;
    ASSERT_EQ(pipeline->CreateVertexBuffer(96, 0, 0, D3DPOOL_MANAGED, &vertices), S_OK);
    ASSERT_EQ(pipeline->CreateIndexBuffer(12, 0, D3DFMT_INDEX16, D3DPOOL_MANAGED, &indices), S_OK);
    ASSERT_EQ(pipeline->SetStreamSource(3, vertices, 32), S_OK);
    ASSERT_EQ(pipeline->SetIndices(indices, 7), S_OK);
    FakeTexture texture(1, 1, D3DFMT_X8R8G8B8, 4);
    ASSERT_EQ(pipeline->SetTexture(2, &texture), S_OK);
    EXPECT_EQ(texture.References(), 2u);

    IDirect3DVertexBuffer8* gotVertices = nullptr;
    UINT stride = 0;
    ASSERT_EQ(pipeline->GetStreamSource(3, &gotVertices, &stride), S_OK);
    EXPECT_EQ(gotVertices, vertices);
    EXPECT_EQ(stride, 32u);
    gotVertices->Release();
    IDirect3DIndexBuffer8* gotIndices = nullptr;
    UINT base = 0;
    ASSERT_EQ(pipeline->GetIndices(&gotIndices, &base), S_OK);
    EXPECT_EQ(gotIndices, indices);
    EXPECT_EQ(base, 7u);
    gotIndices->Release();
    IDirect3DBaseTexture8* gotTexture = nullptr;
    ASSERT_EQ(pipeline->GetTexture(2, &gotTexture), S_OK);
    EXPECT_EQ(gotTexture, &texture);
    gotTexture->Release();

    // The application lets go; the bindings keep the buffers alive.
    EXPECT_EQ(vertices->Release(), 1u);
    EXPECT_EQ(indices->Release(), 1u);
    EXPECT_EQ(context.LiveObjects(), 2);
    pipeline->ReleaseBindings();
    EXPECT_EQ(context.LiveObjects(), 0);
    EXPECT_EQ(texture.References(), 1u);
    ASSERT_EQ(pipeline->GetTexture(2, &gotTexture), S_OK);
    EXPECT_EQ(gotTexture, nullptr);

    EXPECT_EQ(pipeline->SetStreamSource(16, nullptr, 0), D3DERR_INVALIDCALL);
    EXPECT_EQ(pipeline->SetTexture(8, nullptr), D3DERR_INVALIDCALL);
}

TEST(VertexShaders, DeclarationHandlesAndFvfCodes) {
    FakeDeviceContext context;
    auto pipeline = MakeDrawPipeline(context);
    const DWORD declaration[] = {0x20000000, 0x40020000, 0x40010007, 0x4002000F, 0xFFFFFFFF};
    DWORD first = 0, second = 0;
    ASSERT_EQ(pipeline->CreateVertexShader(declaration, nullptr, &first, 0), S_OK);
    ASSERT_EQ(pipeline->CreateVertexShader(declaration, nullptr, &second, 0), S_OK);
    EXPECT_NE(first, second);
    // Handles never look like an FVF code (bit 0 of an FVF code is reserved).
    EXPECT_EQ(first & 1u, 1u);
    ASSERT_EQ(pipeline->SetVertexShader(first), S_OK);
    DWORD current = 0;
    ASSERT_EQ(pipeline->GetVertexShader(&current), S_OK);
    EXPECT_EQ(current, first);

    ASSERT_EQ(pipeline->DeleteVertexShader(first), S_OK);
    ASSERT_EQ(pipeline->GetVertexShader(&current), S_OK);
    EXPECT_EQ(current, 0u);
    EXPECT_EQ(pipeline->SetVertexShader(first), D3DERR_INVALIDCALL);
    EXPECT_EQ(pipeline->DeleteVertexShader(first), D3DERR_INVALIDCALL);
    EXPECT_EQ(pipeline->DeleteVertexShader(second + 200), D3DERR_INVALIDCALL);
    EXPECT_EQ(pipeline->DeleteVertexShader(D3DFVF_XYZ), D3DERR_INVALIDCALL);
    EXPECT_EQ(pipeline->DeleteVertexShader(second), S_OK);

    const DWORD fvf = D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_DIFFUSE | D3DFVF_SPECULAR | D3DFVF_TEX8;
    ASSERT_EQ(pipeline->SetVertexShader(fvf), S_OK);
    ASSERT_EQ(pipeline->GetVertexShader(&current), S_OK);
    EXPECT_EQ(current, fvf);
    EXPECT_EQ(pipeline->SetVertexShader(D3DFVF_NORMAL), D3DERR_INVALIDCALL);  // no position
    EXPECT_EQ(pipeline->SetVertexShader(0), D3DERR_INVALIDCALL);
}

TEST(VertexShaders, MalformedDeclarationsAndShaderProgramsAreRefused) {
    FakeDeviceContext context;
    auto pipeline = MakeDrawPipeline(context);
    const DWORD stream = 0x20000000, position = 0x40020000, end = 0xFFFFFFFF;
    const std::vector<std::vector<DWORD>> refused = {
        {position, end},                                 // data before any stream
        {stream, 0x40010007, end},                       // no position
        {stream, position, position, end},               // a register given twice
        {stream, 0x40020011, end},                       // register beyond NORMAL2
        {stream, 0x40090000, end},                       // unknown data type
        {stream, position, 0x60000000, end},             // tessellator token
    };
    for (const auto& tokens : refused) {
        DWORD handle = 5;
        EXPECT_EQ(pipeline->CreateVertexShader(tokens.data(), nullptr, &handle, 0), D3DERR_INVALIDCALL)
            << std::hex << tokens[1];
        EXPECT_EQ(handle, 0u);
    }
    // SKIP, colour and several streams are fine.
    const DWORD good[] = {stream, position, D3DVSD_SKIP(2), D3DVSD_REG(D3DVSDE_DIFFUSE, D3DVSDT_D3DCOLOR),
                          D3DVSD_STREAM(1), D3DVSD_REG(D3DVSDE_NORMAL, D3DVSDT_FLOAT3), end};
    DWORD handle = 0;
    EXPECT_EQ(pipeline->CreateVertexShader(good, nullptr, &handle, 0), S_OK);
    const DWORD program[] = {0xFFFE0101, 0x0000FFFF};
    EXPECT_EQ(pipeline->CreateVertexShader(good, program, &handle, 0), D3DERR_INVALIDCALL);
}

TEST(TextureStages, DefaultsAndValidation) {
    FakeDeviceContext context;
    auto pipeline = MakeDrawPipeline(context);
    struct Default {
        DWORD stage;
        D3DTEXTURESTAGESTATETYPE type;
        DWORD value;
    };
    const Default defaults[] = {
        {0, D3DTSS_COLOROP, D3DTOP_MODULATE},     {0, D3DTSS_COLORARG1, D3DTA_TEXTURE},
        {0, D3DTSS_COLORARG2, D3DTA_CURRENT},     {0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1},
        {0, D3DTSS_ALPHAARG1, D3DTA_TEXTURE},     {0, D3DTSS_ALPHAARG2, D3DTA_CURRENT},
        {1, D3DTSS_COLOROP, D3DTOP_DISABLE},      {7, D3DTSS_ALPHAOP, D3DTOP_DISABLE},
        {3, D3DTSS_TEXCOORDINDEX, 3},             {5, D3DTSS_ADDRESSU, D3DTADDRESS_WRAP},
        {5, D3DTSS_ADDRESSV, D3DTADDRESS_WRAP},   {5, D3DTSS_ADDRESSW, D3DTADDRESS_WRAP},
        {0, D3DTSS_MAGFILTER, D3DTEXF_POINT},     {0, D3DTSS_MINFILTER, D3DTEXF_POINT},
        {0, D3DTSS_MIPFILTER, D3DTEXF_NONE},      {2, D3DTSS_MAXANISOTROPY, 1},
        {0, D3DTSS_BORDERCOLOR, 0},               {0, D3DTSS_RESULTARG, D3DTA_CURRENT},
    };
    for (const Default& d : defaults) {
        DWORD value = 0xDEAD;
        ASSERT_EQ(pipeline->GetTextureStageState(d.stage, d.type, &value), S_OK);
        EXPECT_EQ(value, d.value) << d.stage << "/" << d.type;
    }
    ASSERT_EQ(pipeline->SetTextureStageState(1, D3DTSS_ADDRESSU, D3DTADDRESS_CLAMP), S_OK);
    DWORD value = 0;
    pipeline->GetTextureStageState(1, D3DTSS_ADDRESSU, &value);
    EXPECT_EQ(value, static_cast<DWORD>(D3DTADDRESS_CLAMP));
    EXPECT_EQ(pipeline->SetTextureStageState(8, D3DTSS_COLOROP, 1), D3DERR_INVALIDCALL);
    EXPECT_EQ(pipeline->SetTextureStageState(0, static_cast<D3DTEXTURESTAGESTATETYPE>(29), 1), D3DERR_INVALIDCALL);
    EXPECT_EQ(pipeline->GetTextureStageState(0, D3DTSS_COLOROP, nullptr), D3DERR_INVALIDCALL);
}

struct ColorVertex {
    float x, y, z;
    DWORD color;
};

TEST(Draws, IndexedDrawsReadTheBoundBuffersAndRefuseWhatLiesOutside) {
    PipelineFixture f;
    IDirect3DVertexBuffer8* vertices = nullptr;
    IDirect3DIndexBuffer8* indices = nullptr;
    ASSERT_EQ(f.pipeline->CreateVertexBuffer(6 * sizeof(ColorVertex), 0, 0, D3DPOOL_MANAGED, &vertices), S_OK);
    ASSERT_EQ(f.pipeline->CreateIndexBuffer(6 * 2, 0, D3DFMT_INDEX16, D3DPOOL_MANAGED, &indices), S_OK);
    BYTE* data = nullptr;
    vertices->Lock(0, 0, &data, 0);
    // Two unused vertices first: the draw reaches the quad through the base vertex index.
    const DWORD green = 0xFF00FF00;
    const ColorVertex quad[6] = {{0, 0, 0, 0},           {0, 0, 0, 0},           {-1, 1, 0.5f, green},
                                 {1, 1, 0.5f, green},    {-1, -1, 0.5f, green},  {1, -1, 0.5f, green}};
    std::memcpy(data, quad, sizeof quad);
    vertices->Unlock();
    indices->Lock(0, 0, &data, 0);
    const std::uint16_t list[6] = {0, 1, 2, 2, 1, 3};
    std::memcpy(data, list, sizeof list);
    indices->Unlock();

    f.pipeline->SetVertexShader(D3DFVF_XYZ | D3DFVF_DIFFUSE);
    f.pipeline->SetStreamSource(0, vertices, sizeof(ColorVertex));
    f.pipeline->SetIndices(indices, 2);
    EXPECT_EQ(f.pipeline->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 4, 0, 2), S_OK);
    EXPECT_EQ(f.context.Pixel(5, 5), 0x00FF00u);
    EXPECT_EQ(f.context.Pixel(60, 60), 0x00FF00u);

    f.context.Clear(0, 1.0f);
    // Index 3 lies outside a range of three vertices; the vertex buffer holds only six
    // vertices; the index buffer only six indices; points are not drawn.
    EXPECT_EQ(f.pipeline->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 3, 0, 2), D3DERR_INVALIDCALL);
    f.pipeline->SetIndices(indices, 3);
    EXPECT_EQ(f.pipeline->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 4, 0, 2), D3DERR_INVALIDCALL);
    EXPECT_EQ(f.pipeline->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 3, 3, 2), D3DERR_INVALIDCALL);
    EXPECT_EQ(f.pipeline->DrawPrimitive(D3DPT_TRIANGLELIST, 4, 1), D3DERR_INVALIDCALL);
    EXPECT_EQ(f.pipeline->DrawPrimitive(D3DPT_POINTLIST, 0, 1), D3DERR_INVALIDCALL);
    EXPECT_EQ(f.pipeline->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 0), D3DERR_INVALIDCALL);
    EXPECT_EQ(f.context.Pixel(5, 5), 0u);

    // A strip through DrawPrimitive from vertex 2.
    EXPECT_EQ(f.pipeline->DrawPrimitive(D3DPT_TRIANGLESTRIP, 2, 2), S_OK);
    EXPECT_EQ(f.context.Pixel(5, 5), 0x00FF00u);

    // Without a vertex shader nothing is drawn.
    DWORD declaration[] = {0x20000000, 0x40020000, 0xFFFFFFFF}, handle = 0;
    f.pipeline->CreateVertexShader(declaration, nullptr, &handle, 0);
    f.pipeline->SetVertexShader(handle);
    f.pipeline->DeleteVertexShader(handle);
    EXPECT_EQ(f.pipeline->DrawPrimitive(D3DPT_TRIANGLESTRIP, 2, 2), D3DERR_INVALIDCALL);

    vertices->Release();
    indices->Release();
    f.pipeline->ReleaseBindings();
    EXPECT_EQ(f.context.LiveObjects(), 0);
}

TEST(Draws, DrawsFromCallerMemoryLeaveStreamZeroAndIndicesUnset) {
    PipelineFixture f;
    IDirect3DVertexBuffer8* vertices = nullptr;
    IDirect3DIndexBuffer8* indices = nullptr;
    f.pipeline->CreateVertexBuffer(64, 0, 0, D3DPOOL_MANAGED, &vertices);
    f.pipeline->CreateIndexBuffer(64, 0, D3DFMT_INDEX16, D3DPOOL_MANAGED, &indices);
    f.pipeline->SetStreamSource(0, vertices, 16);
    f.pipeline->SetIndices(indices, 0);
    vertices->Release();
    indices->Release();

    const DWORD red = 0xFFFF0000;
    const ColorVertex v[3] = {{-1, 1, 0.5f, red}, {1, 1, 0.5f, red}, {-1, -1, 0.5f, red}};
    const std::uint32_t list[3] = {0, 1, 2};
    f.pipeline->SetVertexShader(D3DFVF_XYZ | D3DFVF_DIFFUSE);
    ASSERT_EQ(f.pipeline->DrawIndexedPrimitiveUP(D3DPT_TRIANGLELIST, 0, 3, 1, list, D3DFMT_INDEX32, v,
                                                 sizeof(ColorVertex)),
              S_OK);
    EXPECT_EQ(f.context.Pixel(5, 5), 0xFF0000u);
    IDirect3DVertexBuffer8* stream = vertices;
    UINT stride = 1;
    f.pipeline->GetStreamSource(0, &stream, &stride);
    EXPECT_EQ(stream, nullptr);
    IDirect3DIndexBuffer8* bound = indices;
    UINT base = 1;
    f.pipeline->GetIndices(&bound, &base);
    EXPECT_EQ(bound, nullptr);
    EXPECT_EQ(f.context.LiveObjects(), 0);

    const std::uint16_t outside[3] = {0, 1, 3};
    EXPECT_EQ(f.pipeline->DrawIndexedPrimitiveUP(D3DPT_TRIANGLELIST, 0, 3, 1, outside, D3DFMT_INDEX16, v,
                                                 sizeof(ColorVertex)),
              D3DERR_INVALIDCALL);
}

}  // namespace
