// Loading a 1024 x 1024 32-bit Targa into a managed texture with its full mip chain, beside
// the steps of that load timed alone (decoding, the level-0 conversion, mip generation) and a
// memcpy of the file's pixel bytes. The files are written to a temporary folder at start.
#include <benchmark/benchmark.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "platform/d3d8.h"
#include "platform/runtime/machine_profile.h"
#include "platform/windows_api.h"
#include "texture/decoded_image.h"
#include "texture/mapped_file.h"
#include "texture/texture_loader.h"
#include "transfer/copy.h"
#include "transfer/filters.h"

namespace {

constexpr UINT EDGE = 1024;
constexpr UINT PIXEL_BYTES = EDGE * EDGE * 4;

enum Layout { TOP_DOWN = 0, BOTTOM_UP = 1, RUN_LENGTH = 2 };
const char* const LAYOUT_NAMES[] = {"top-down", "bottom-up", "run-length"};

// A picture with flat stretches of 8 pixels, so that run-length packets and raw packets mix.
DWORD PictureTexel(UINT x, UINT y) {
    const UINT block = x / 8;
    if ((block + y / 16) % 3 == 0) return 0xFF000000u | (x * 7 + y * 3) % 256 << 16 | (y % 256) << 8 | x % 256;
    return 0xFF000000u | (block * 13 % 256) << 16 | ((y / 16) * 29 % 256) << 8 | 0x40;
}

std::vector<BYTE> MakeTarga(Layout layout) {
    std::vector<BYTE> file = {0, 0, BYTE(layout == RUN_LENGTH ? 10 : 2), 0, 0, 0, 0, 0, 0, 0, 0, 0,
                              BYTE(EDGE & 0xFF), BYTE(EDGE >> 8), BYTE(EDGE & 0xFF), BYTE(EDGE >> 8), 32,
                              BYTE(layout == BOTTOM_UP ? 0x08 : 0x28)};
    for (UINT row = 0; row < EDGE; ++row) {
        const UINT y = layout == BOTTOM_UP ? EDGE - 1 - row : row;
        std::vector<DWORD> line(EDGE);
        for (UINT x = 0; x < EDGE; ++x) line[x] = PictureTexel(x, y);
        auto append = [&file](DWORD texel) {
            for (int shift = 0; shift < 32; shift += 8) file.push_back(BYTE(texel >> shift));
        };
        if (layout != RUN_LENGTH) {
            for (DWORD texel : line) append(texel);
            continue;
        }
        for (UINT x = 0; x < EDGE;) {
            UINT run = 1;
            while (x + run < EDGE && run < 128 && line[x + run] == line[x]) ++run;
            if (run > 1) {
                file.push_back(BYTE(0x80 | (run - 1)));
                append(line[x]);
                x += run;
                continue;
            }
            UINT raw = 1;
            while (x + raw < EDGE && raw < 128 && line[x + raw] != line[x + raw - 1]) ++raw;
            file.push_back(BYTE(raw - 1));
            for (UINT i = 0; i < raw; ++i) append(line[x + i]);
            x += raw;
        }
    }
    return file;
}

LRESULT BenchWindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcA(window, message, wParam, lParam);
}

struct BenchState {
    std::string folder;
    std::string paths[3];
    std::vector<BYTE> files[3];
    IDirect3D8* d3d = nullptr;
    IDirect3DDevice8* device = nullptr;

    bool Start() {
        char pattern[] = "/tmp/texture_load_bench_XXXXXX";
        if (mkdtemp(pattern) == nullptr) return false;
        folder = pattern;
        for (int layout = 0; layout < 3; ++layout) {
            files[layout] = MakeTarga(static_cast<Layout>(layout));
            paths[layout] = folder + "/" + LAYOUT_NAMES[layout] + ".tga";
            std::ofstream out(paths[layout], std::ios::binary);
            out.write(reinterpret_cast<const char*>(files[layout].data()),
                      static_cast<std::streamsize>(files[layout].size()));
        }
        WNDCLASSEXA windowClass = {};
        windowClass.cbSize = sizeof(windowClass);
        windowClass.lpfnWndProc = BenchWindowProcedure;
        windowClass.hInstance = GetModuleHandleA(nullptr);
        windowClass.lpszClassName = "TextureLoadBench";
        RegisterClassExA(&windowClass);
        HWND window = CreateWindowExA(0, "TextureLoadBench", "bench", WS_OVERLAPPEDWINDOW, 0, 0, 320, 240, nullptr,
                                      nullptr, windowClass.hInstance, nullptr);
        d3d = Direct3DCreate8(D3D_SDK_VERSION);
        if (d3d == nullptr) return false;
        D3DPRESENT_PARAMETERS parameters = {};
        parameters.BackBufferWidth = 64;
        parameters.BackBufferHeight = 64;
        parameters.BackBufferFormat = CurrentMachineProfile().displayFormat;
        parameters.BackBufferCount = 1;
        parameters.SwapEffect = D3DSWAPEFFECT_DISCARD;
        parameters.hDeviceWindow = window;
        parameters.Windowed = TRUE;
        return SUCCEEDED(d3d->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, window,
                                           D3DCREATE_SOFTWARE_VERTEXPROCESSING, &parameters, &device));
    }

    void Stop() {
        if (device != nullptr) device->Release();
        if (d3d != nullptr) d3d->Release();
        for (const std::string& path : paths) std::remove(path.c_str());
        rmdir(folder.c_str());
    }
};

BenchState* bench = nullptr;

void BM_LoadTextureFile(benchmark::State& state) {
    const int layout = static_cast<int>(state.range(0));
    state.SetLabel(LAYOUT_NAMES[layout]);
    for (auto _ : state) {
        IDirect3DTexture8* texture = nullptr;
        if (FAILED(LoadTextureFile(bench->device, bench->paths[layout].c_str(), &texture))) {
            state.SkipWithError("LoadTextureFile failed");
            break;
        }
        texture->Release();
    }
}

// Mapping and decoding the file alone.
void BM_Decode(benchmark::State& state) {
    const int layout = static_cast<int>(state.range(0));
    state.SetLabel(LAYOUT_NAMES[layout]);
    for (auto _ : state) {
        MappedFile file;
        DecodedImage image;
        if (FAILED(file.Open(bench->paths[layout].c_str(), FALSE)) ||
            FAILED(image.DecodeImageFile(file.View(), file.Size(), nullptr, TRUE))) {
            state.SkipWithError("decoding failed");
            break;
        }
        benchmark::DoNotOptimize(image.pixels);
    }
}

// The conversion of the decoded pixels into level 0, as the loader makes it.
void BM_Level0Conversion(benchmark::State& state) {
    const int layout = static_cast<int>(state.range(0));
    state.SetLabel(LAYOUT_NAMES[layout]);
    const std::vector<BYTE>& bytes = bench->files[layout];
    DecodedImage image;
    IDirect3DTexture8* texture = nullptr;
    IDirect3DSurface8* level = nullptr;
    if (FAILED(image.DecodeImageFile(bytes.data(), static_cast<UINT>(bytes.size()), nullptr, TRUE)) ||
        FAILED(bench->device->CreateTexture(EDGE, EDGE, 0, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture)) ||
        FAILED(texture->GetSurfaceLevel(0, &level))) {
        state.SkipWithError("set-up failed");
        if (texture != nullptr) texture->Release();
        return;
    }
    const RECT whole = {0, 0, LONG(EDGE), LONG(EDGE)};
    for (auto _ : state) {
        if (FAILED(CopyMemoryToSurface(level, nullptr, nullptr, image.pixels, image.format, image.rowPitch, nullptr,
                                       &whole, FILTER_TRIANGLE | FILTER_DITHER, 0))) {
            state.SkipWithError("CopyMemoryToSurface failed");
            break;
        }
    }
    level->Release();
    texture->Release();
}

void BM_MipGeneration(benchmark::State& state) {
    IDirect3DTexture8* texture = nullptr;
    if (FAILED(bench->device->CreateTexture(EDGE, EDGE, 0, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture))) {
        state.SkipWithError("set-up failed");
        return;
    }
    for (auto _ : state) {
        if (FAILED(GenerateMipLevels(texture, nullptr, 0, FILTER_BOX))) {
            state.SkipWithError("GenerateMipLevels failed");
            break;
        }
    }
    texture->Release();
}

void BM_MemcpyPixels(benchmark::State& state) {
    const std::vector<BYTE>& file = bench->files[TOP_DOWN];
    std::vector<BYTE> destination(PIXEL_BYTES);
    for (auto _ : state) {
        std::memcpy(destination.data(), file.data() + 18, PIXEL_BYTES);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * PIXEL_BYTES);
}

BENCHMARK(BM_LoadTextureFile)->DenseRange(0, 2)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Decode)->DenseRange(0, 2)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Level0Conversion)->DenseRange(0, 2)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MipGeneration)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MemcpyPixels)->Unit(benchmark::kMillisecond);

// Prints the usual table, then each load's shares and its ratio to the memcpy.
class ShareReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            if (run.iterations > 0 && !run.error_occurred) {
                milliseconds_[run.benchmark_name()] = run.GetAdjustedRealTime();
            }
        }
    }

    void Finalize() override {
        ConsoleReporter::Finalize();
        const double copy = Find("BM_MemcpyPixels");
        const double mips = Find("BM_MipGeneration");
        std::printf("\nload (ms)   decode   level 0   mips   load / memcpy   layout\n");
        for (int layout = 0; layout < 3; ++layout) {
            const std::string suffix = {'/', static_cast<char>('0' + layout)};
            const double load = Find("BM_LoadTextureFile" + suffix);
            if (load <= 0) continue;
            std::printf("%9.3f   %5.1f%%   %6.1f%%   %4.1f%%   %13.2f   %s\n", load,
                        100.0 * Find("BM_Decode" + suffix) / load, 100.0 * Find("BM_Level0Conversion" + suffix) / load,
                        100.0 * mips / load, copy > 0 ? load / copy : 0.0, LAYOUT_NAMES[layout]);
        }
        std::printf("memcpy of the pixel bytes: %.3f ms\n", copy);
    }

private:
    double Find(const std::string& name) const {
        const auto found = milliseconds_.find(name);
        return found == milliseconds_.end() ? 0.0 : found->second;
    }
    std::map<std::string, double> milliseconds_;
};

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    BenchState state;
    bench = &state;
    if (!state.Start()) {
        std::fprintf(stderr, "could not set up the device or the files\n");
        state.Stop();
        return 1;
    }
    ShareReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    state.Stop();
    benchmark::Shutdown();
    return 0;
}
