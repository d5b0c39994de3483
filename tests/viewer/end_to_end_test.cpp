// The real viewer program on its own virtual X display: it shows the cube on opaque blue
// and ends with exit code 0 when asked to close with SIGTERM.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

namespace {

constexpr int SCREEN_WIDTH = 1280;
constexpr int SCREEN_HEIGHT = 1024;

bool OnPath(const char* program) {
    const std::string command = std::string("command -v ") + program + " >/dev/null 2>&1";
    return std::system(command.c_str()) == 0;
}

bool Exists(const std::string& path) {
    struct stat info;
    return stat(path.c_str(), &info) == 0;
}

// Starts `arguments` in `folder` with extra environment entries; returns its process id.
pid_t Start(const std::vector<std::string>& arguments, const std::string& folder,
            const std::vector<std::string>& environment, const std::string& errorFile) {
    const pid_t child = fork();
    if (child != 0) return child;
    if (!folder.empty() && chdir(folder.c_str()) != 0) _exit(126);
    for (const std::string& entry : environment) putenv(const_cast<char*>(entry.c_str()));
    if (!errorFile.empty() && !std::freopen(errorFile.c_str(), "w", stderr)) _exit(126);
    std::vector<char*> argv;
    for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    execvp(argv[0], argv.data());
    _exit(127);
}

// Waits up to `seconds` for the child to end; its exit status, or -1 when it did not end.
int WaitFor(pid_t child, double seconds) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (std::chrono::steady_clock::now() < deadline) {
        int status = 0;
        if (waitpid(child, &status, WNOHANG) == child) return WIFEXITED(status) ? WEXITSTATUS(status) : 128;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return -1;
}

class VirtualDisplay {
public:
    bool Start() {
        for (int attempt = 0; attempt < 20 && server_ <= 0; ++attempt) {
            number_ = 150 + (getpid() + attempt * 7) % 400;
            if (Exists("/tmp/.X" + std::to_string(number_) + "-lock")) continue;
            const std::string screen = std::to_string(SCREEN_WIDTH) + "x" + std::to_string(SCREEN_HEIGHT) + "x24";
            server_ = ::Start({"Xvfb", Name(), "-screen", "0", screen, "-nolisten", "tcp"}, "", {}, "/dev/null");
            for (int wait = 0; wait < 100; ++wait) {
                if (Exists("/tmp/.X11-unix/X" + std::to_string(number_))) return true;
                if (WaitFor(server_, 0.05) != -1) break;  // the server gave up: try another number
            }
            if (server_ > 0) kill(server_, SIGTERM), WaitFor(server_, 5);
            server_ = -1;
        }
        return false;
    }
    ~VirtualDisplay() {
        if (server_ > 0) {
            kill(server_, SIGTERM);
            if (WaitFor(server_, 5) == -1) kill(server_, SIGKILL), WaitFor(server_, 5);
        }
    }
    std::string Name() const { return ":" + std::to_string(number_); }

private:
    pid_t server_ = -1;
    int number_ = 0;
};

std::string ReadFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

TEST(ViewerProgram, ShowsTheCubeOnBlueAndClosesOnSigterm) {
    if (!OnPath("Xvfb")) GTEST_SKIP() << "Xvfb is not installed";
    if (!OnPath("import")) GTEST_SKIP() << "ImageMagick's import is not installed";
    const std::string viewer = std::string(ORBIQUE_BINARY_DIR) + "/viewer/orbique";
    ASSERT_TRUE(Exists(viewer)) << viewer << " is not built";

    VirtualDisplay display;
    ASSERT_TRUE(display.Start()) << "no virtual display could be started";
    const std::string display_variable = "DISPLAY=" + display.Name();
    const std::string work = ::testing::TempDir() + "viewer_end_to_end_" + std::to_string(getpid());
    const std::string errors = work + ".stderr";
    const std::string screenshot = work + ".rgb";

    const pid_t program = Start({viewer}, std::string(ORBIQUE_SOURCE_DIR) + "/assets",
                                {display_variable, "ORBIQUE_NO_MODAL_BOXES=1", "ORBIQUE_PROFILE=default"}, errors);
    // Some seconds of frames; the program must still be running.
    ASSERT_EQ(WaitFor(program, 3.0), -1) << "the viewer ended early: " << ReadFile(errors);

    const std::string grab = "import -display " + display.Name() + " -window root -depth 8 rgb:" + screenshot;
    const int grabbed = std::system(grab.c_str());

    kill(program, SIGTERM);
    const int status = WaitFor(program, 20.0);
    if (status == -1) kill(program, SIGKILL), WaitFor(program, 5);
    EXPECT_EQ(status, 0) << ReadFile(errors);
    // The default machine needs no fall-back, so no message box was shown.
    EXPECT_EQ(ReadFile(errors).find("Not Available"), std::string::npos) << ReadFile(errors);

    ASSERT_EQ(grabbed, 0);
    const std::string pixels = ReadFile(screenshot);
    ASSERT_EQ(pixels.size(), std::size_t{SCREEN_WIDTH} * SCREEN_HEIGHT * 3);
    auto isBlue = [&](int x, int y) {
        const std::size_t at = (std::size_t{static_cast<unsigned>(y)} * SCREEN_WIDTH + x) * 3;
        return pixels[at] == 0 && pixels[at + 1] == 0 && static_cast<unsigned char>(pixels[at + 2]) == 255;
    };

    // The client area is the bounding box of the opaque blue pixels.
    int left = SCREEN_WIDTH, top = SCREEN_HEIGHT, right = -1, bottom = -1;
    for (int y = 0; y < SCREEN_HEIGHT; ++y)
        for (int x = 0; x < SCREEN_WIDTH; ++x)
            if (isBlue(x, y)) left = std::min(left, x), right = std::max(right, x), top = std::min(top, y),
                              bottom = std::max(bottom, y);
    ASSERT_GE(right, 0) << "no blue on screen";
    const int width = right - left + 1, height = bottom - top + 1;
    EXPECT_GE(width, 960);
    EXPECT_LE(width, 1024);
    EXPECT_GE(height, 680);
    EXPECT_LE(height, 768);

    // Blue wherever the scene is not: a band along the client area's edges is all blue,
    // and the cube fills the middle with other colours.
    int edgeMisses = 0;
    for (int y = top; y <= bottom; ++y)
        for (int x = left; x <= right; ++x) {
            const bool edge = x < left + 60 || x > right - 60 || y < top + 40 || y > bottom - 40;
            if (edge && !isBlue(x, y)) ++edgeMisses;
        }
    EXPECT_EQ(edgeMisses, 0);
    int scene = 0;
    for (int y = top + height / 3; y < top + 2 * height / 3; ++y)
        for (int x = left + width / 3; x < left + 2 * width / 3; ++x) scene += !isBlue(x, y);
    // The cube spans about 2/15 of the client area each way: well over 5000 pixels.
    EXPECT_GT(scene, 5000) << "the cube is missing";

    std::remove(errors.c_str());
    std::remove(screenshot.c_str());
}

}  // namespace
