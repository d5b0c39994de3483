// The test controls of the Windows layer: each one sets state that the layer reads.
#include "platform/test_seams.h"

#include "platform/win32/layer_state.h"

namespace layer_state {

Seams& TestSeams() {
    static Seams seams;
    return seams;
}

}  // namespace layer_state

namespace platform_test {

using layer_state::TestSeams;

void CaptureMessageBoxes(bool capture) {
    std::lock_guard<std::mutex> lock(TestSeams().boxLock);
    TestSeams().captureBoxes = capture;
}

std::vector<CapturedMessageBox> TakeCapturedMessageBoxes() {
    std::lock_guard<std::mutex> lock(TestSeams().boxLock);
    std::vector<CapturedMessageBox> boxes;
    boxes.swap(TestSeams().capturedBoxes);
    return boxes;
}

void DriveClock(bool driven) { TestSeams().clockDriven = driven; }
void SetClock(DWORD milliseconds) { TestSeams().drivenClock = milliseconds; }
void AdvanceClock(DWORD milliseconds) { TestSeams().drivenClock += milliseconds; }

void SetRegistryFile(const std::string& path) {
    std::lock_guard<std::mutex> lock(TestSeams().registryLock);
    TestSeams().registryFile = path;
}

void SetReportedVersion(const OSVERSIONINFOA* version) {
    std::lock_guard<std::mutex> lock(TestSeams().versionLock);
    if (version)
        TestSeams().reportedVersion = *version;
    else
        TestSeams().reportedVersion.reset();
}

void FailGetVersion(bool fail) { TestSeams().failGetVersion = fail; }

void HideProcessorFeatures(DWORD featureBits) { TestSeams().hiddenFeatures = featureBits; }

void SetDebugRuntimeLoaded(bool loaded) { layer_state::SetRuntimeModulePresent(true, loaded); }
void UnloadRetailRuntime() { layer_state::SetRuntimeModulePresent(false, false); }

MuteCalls RetailMuteCalls() {
    return MuteCalls{TestSeams().retailMuteCount.load(), TestSeams().retailMuteValue.load()};
}

MuteCalls DebugMuteCalls() {
    return MuteCalls{TestSeams().debugMuteCount.load(), TestSeams().debugMuteValue.load()};
}

void ResetMuteCalls() {
    TestSeams().retailMuteCount = 0;
    TestSeams().retailMuteValue = 0;
    TestSeams().debugMuteCount = 0;
    TestSeams().debugMuteValue = 0;
}

void ForgetMuteEntryPoints() { layer_state::ForgetMuteEntryPoints(); }

}  // namespace platform_test
