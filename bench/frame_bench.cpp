// The viewer's frame (clear, the scene's draw calls, EndScene) at 1024 x 768: through the
// runtime without and with Present, and through Mesa's llvmpipe (OSMesa, one thread).
// Prints frames per second, the ratio to llvmpipe and nanoseconds per shaded pixel.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "tests/runtime/raster/osmesa_frame.h"

namespace {

constexpr UINT WIDTH = 1024;
constexpr UINT HEIGHT = 768;

struct Timing {
    double seconds = 0;
    double frames = 0;
    double FramesPerSecond() const { return seconds > 0 ? frames / seconds : 0; }
};
Timing runtimeWithoutPresent, runtimeWithPresent, llvmpipe;
size_t shadedPixels = 0;

size_t CountCubePixels(const std::uint32_t* pixels, UINT pitchPixels) {
    size_t count = 0;
    for (UINT y = 0; y < HEIGHT; ++y)
        for (UINT x = 0; x < WIDTH; ++x) count += (pixels[y * pitchPixels + x] & 0xFFFFFF) != 0x0000FF;
    return count;
}

void RuntimeFrame(benchmark::State& state, bool present, Timing* timing) {
    IDirect3D8* d3d = Direct3DCreate8(D3D_SDK_VERSION);
    HWND window = scene::CreateSceneWindow(WIDTH, HEIGHT);
    IDirect3DDevice8* device = nullptr;
    scene::Resources resources;
    if (!d3d || FAILED(scene::CreateSceneDevice(d3d, window, WIDTH, HEIGHT, &device)) ||
        (scene::SetFixedState(device), FAILED(scene::CreateResources(device, &resources)))) {
        state.SkipWithError("no device");
    } else {
        float angle = 0.0f;
        auto start = std::chrono::steady_clock::now();
        for (auto _ : state) {
            scene::DrawFrame(device, resources, angle, 0.5f);
            if (present) device->Present(nullptr, nullptr, nullptr, nullptr);
            angle += 0.001f;
        }
        std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
        timing->seconds = elapsed.count();
        timing->frames = static_cast<double>(state.iterations());
        if (!present) {
            IDirect3DSurface8* back = nullptr;
            D3DLOCKED_RECT locked;
            if (SUCCEEDED(device->GetBackBuffer(0, D3DBACKBUFFER_TYPE_MONO, &back))) {
                if (SUCCEEDED(back->LockRect(&locked, nullptr, D3DLOCK_READONLY))) {
                    shadedPixels = CountCubePixels(static_cast<const std::uint32_t*>(locked.pBits), locked.Pitch / 4);
                    back->UnlockRect();
                }
                back->Release();
            }
            state.counters["shaded_pixels"] = static_cast<double>(shadedPixels);
        }
        state.counters["fps"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
    }
    resources.Release();
    if (device) device->Release();
    if (d3d) d3d->Release();
    if (window) DestroyWindow(window);
}

void BM_RuntimeFrameWithoutPresent(benchmark::State& state) { RuntimeFrame(state, false, &runtimeWithoutPresent); }
void BM_RuntimeFrameWithPresent(benchmark::State& state) { RuntimeFrame(state, true, &runtimeWithPresent); }

void BM_LlvmpipeFrame(benchmark::State& state) {
    scene::OsmesaFrame frame(WIDTH, HEIGHT);
    if (!frame.Ready()) {
        state.SkipWithError("no OSMesa context");
        return;
    }
    float angle = 0.0f;
    auto start = std::chrono::steady_clock::now();
    for (auto _ : state) {
        frame.Draw(angle, 0.5f);
        angle += 0.001f;
    }
    std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
    llvmpipe.seconds = elapsed.count();
    llvmpipe.frames = static_cast<double>(state.iterations());
    state.counters["fps"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}

BENCHMARK(BM_RuntimeFrameWithoutPresent)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_RuntimeFrameWithPresent)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_LlvmpipeFrame)->Unit(benchmark::kMillisecond)->MinTime(2.0);

}  // namespace

int main(int argc, char** argv) {
    // llvmpipe reads its thread count when its first context starts.
    setenv("LP_NUM_THREADS", "1", 1);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    const double ours = runtimeWithoutPresent.FramesPerSecond(), reference = llvmpipe.FramesPerSecond();
    std::printf("frames per second: runtime %.1f, runtime with Present %.1f, llvmpipe (1 thread) %.1f\n", ours,
                runtimeWithPresent.FramesPerSecond(), reference);
    if (reference > 0) std::printf("runtime without Present / llvmpipe: %.2f (target at least 2)\n", ours / reference);
    if (ours > 0 && shadedPixels > 0)
        std::printf("nanoseconds per shaded pixel (whole frame over %zu cube pixels): %.1f\n", shadedPixels,
                    1e9 / ours / static_cast<double>(shadedPixels));
    return 0;
}
