// Mip generation, texture filling and resampling against real textures of our runtime,
// with a memcpy of the same bytes as the yardstick.
#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

#include "platform/d3d8.h"
#include "platform/windows_api.h"
#include "transfer/box_routines.h"
#include "transfer/copy.h"

namespace {

// One device for the whole run.
IDirect3DDevice8* Device() {
    static IDirect3DDevice8* device = [] {
        WNDCLASSEXA windowClass = {};
        windowClass.cbSize = sizeof windowClass;
        windowClass.lpfnWndProc = DefWindowProcA;
        windowClass.hInstance = GetModuleHandleA(nullptr);
        windowClass.lpszClassName = "OrbiqueTransferBench";
        RegisterClassExA(&windowClass);
        HWND window = CreateWindowExA(0, "OrbiqueTransferBench", "transfer bench", 0, 0, 0, 64, 64, nullptr, nullptr,
                                      GetModuleHandleA(nullptr), nullptr);
        IDirect3D8* d3d = Direct3DCreate8(D3D_SDK_VERSION);
        D3DPRESENT_PARAMETERS parameters = {};
        parameters.BackBufferWidth = 64;
        parameters.BackBufferHeight = 64;
        parameters.BackBufferFormat = D3DFMT_X8R8G8B8;
        parameters.SwapEffect = D3DSWAPEFFECT_DISCARD;
        parameters.Windowed = TRUE;
        IDirect3DDevice8* created = nullptr;
        if (!d3d || FAILED(d3d->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, window,
                                             D3DCREATE_SOFTWARE_VERTEXPROCESSING, &parameters, &created)))
            return static_cast<IDirect3DDevice8*>(nullptr);
        return created;
    }();
    return device;
}

std::vector<BYTE> Pixels(UINT width, UINT height) {
    std::vector<BYTE> bytes(std::size_t(width) * height * 4);
    for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = BYTE(i * 2654435761u >> 13);
    return bytes;
}

// A managed texture with a full chain whose top level holds `pixels`.
IDirect3DTexture8* FilledTexture(UINT size, D3DFORMAT format, const std::vector<BYTE>& pixels) {
    IDirect3DTexture8* texture = nullptr;
    if (FAILED(Device()->CreateTexture(size, size, 0, 0, format, D3DPOOL_MANAGED, &texture))) return nullptr;
    IDirect3DSurface8* top = nullptr;
    texture->GetSurfaceLevel(0, &top);
    const RECT rect = {0, 0, LONG(size), LONG(size)};
    CopyMemoryToSurface(top, nullptr, nullptr, pixels.data(), D3DFMT_A8R8G8B8, size * 4, nullptr, &rect, FILTER_POINT, 0);
    top->Release();
    return texture;
}

// Bytes the chain reads: every level but the last.
std::int64_t ChainSourceBytes(UINT size, UINT bytesPerPixel) {
    std::int64_t bytes = 0;
    for (UINT s = size; s > 1; s /= 2) bytes += std::int64_t(s) * s * bytesPerPixel;
    return bytes;
}

void Memcpy(benchmark::State& state) {
    const std::size_t bytes = std::size_t(2048) * 2048 * 4;
    std::vector<BYTE> from(bytes, 1), to(bytes);
    for (auto _ : state) {
        std::memcpy(to.data(), from.data(), bytes);
        benchmark::DoNotOptimize(to.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(bytes));
}
BENCHMARK(Memcpy)->Unit(benchmark::kMillisecond);

enum class Routines { Selected, Portable, Mmx };

void BoxChain(benchmark::State& state, D3DFORMAT format, UINT bytesPerPixel, std::uint32_t filter, Routines routines) {
    const UINT size = 2048;
    const std::vector<BYTE> pixels = Pixels(size, size);
    IDirect3DTexture8* texture = FilledTexture(size, format, pixels);
    if (!texture) {
        state.SkipWithError("no texture");
        return;
    }
    if (routines == Routines::Portable) {
        BoxRoutineTable[0] = BoxHalveA8R8G8B8;
        BoxRoutineTable[1] = BoxHalveX8R8G8B8;
    }
#if defined(ORBIQUE_HAS_MMX_BOX_ROUTINE)
    if (routines == Routines::Mmx) BoxRoutineTable[0] = BoxRoutineTable[1] = BoxHalveMmx32;
#else
    if (routines == Routines::Mmx) {
        state.SkipWithError("no MMX on this processor");
        texture->Release();
        return;
    }
#endif
    for (auto _ : state) {
        if (FAILED(GenerateMipLevels(texture, nullptr, 0, filter))) state.SkipWithError("GenerateMipLevels failed");
    }
    ResetBoxRoutineTable();
    state.SetBytesProcessed(std::int64_t(state.iterations()) * ChainSourceBytes(size, bytesPerPixel));
    texture->Release();
}
BENCHMARK_CAPTURE(BoxChain, A8R8G8B8_fast_mmx, D3DFMT_A8R8G8B8, 4, FILTER_BOX, Routines::Mmx)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BoxChain, A8R8G8B8_fast_portable, D3DFMT_A8R8G8B8, 4, FILTER_BOX, Routines::Portable)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BoxChain, A8R8G8B8_float_path, D3DFMT_A8R8G8B8, 4, FILTER_BOX | FILTER_DITHER, Routines::Selected)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BoxChain, R5G6B5_fast, D3DFMT_R5G6B5, 2, FILTER_BOX, Routines::Selected)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BoxChain, R5G6B5_float_path, D3DFMT_R5G6B5, 2, FILTER_BOX | FILTER_DITHER, Routines::Selected)->Unit(benchmark::kMillisecond);

// 1024 x 1024 A8R8G8B8 from memory into a surface of `size` and `format`; pixels per second
// of the source.
void FromMemory(benchmark::State& state, UINT size, D3DFORMAT format, std::uint32_t filter) {
    const UINT source = 1024;
    const std::vector<BYTE> pixels = Pixels(source, source);
    IDirect3DTexture8* texture = nullptr;
    if (FAILED(Device()->CreateTexture(size, size, 1, 0, format, D3DPOOL_MANAGED, &texture))) {
        state.SkipWithError("no texture");
        return;
    }
    IDirect3DSurface8* level = nullptr;
    texture->GetSurfaceLevel(0, &level);
    const RECT rect = {0, 0, LONG(source), LONG(source)};
    for (auto _ : state) {
        if (FAILED(CopyMemoryToSurface(level, nullptr, nullptr, pixels.data(), D3DFMT_A8R8G8B8, source * 4, nullptr,
                                       &rect, filter, 0)))
            state.SkipWithError("CopyMemoryToSurface failed");
    }
    state.SetItemsProcessed(std::int64_t(state.iterations()) * source * source);
    state.SetBytesProcessed(std::int64_t(state.iterations()) * source * source * 4);
    level->Release();
    texture->Release();
}
BENCHMARK_CAPTURE(FromMemory, to_R5G6B5_dithered, 1024, D3DFMT_R5G6B5, FILTER_TRIANGLE | FILTER_DITHER)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(FromMemory, triangle_to_768, 768, D3DFMT_A8R8G8B8, FILTER_TRIANGLE)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(FromMemory, triangle_to_2048, 2048, D3DFMT_A8R8G8B8, FILTER_TRIANGLE)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(FromMemory, linear_to_768, 768, D3DFMT_A8R8G8B8, FILTER_LINEAR)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(FromMemory, linear_to_2048, 2048, D3DFMT_A8R8G8B8, FILTER_LINEAR)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(FromMemory, point_to_768, 768, D3DFMT_A8R8G8B8, FILTER_POINT)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(FromMemory, point_to_2048, 2048, D3DFMT_A8R8G8B8, FILTER_POINT)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
