// Message boxes: a modal SDL box where a display exists, and always a line on standard
// error. Tests capture the boxes instead of showing them; ORBIQUE_NO_MODAL_BOXES keeps a
// run on a virtual display from ever waiting for a click.
#include <SDL.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/win32/layer_state.h"

int MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type) {
    // A null caption is shown as "Error", as on Windows.
    std::string shownText = text ? text : "";
    std::string shownCaption = caption ? caption : "Error";
    std::fprintf(stderr, "%s: %s\n", shownCaption.c_str(), shownText.c_str());
    std::fflush(stderr);

    if (owner && !layer_state::IsLiveWindow(owner)) {
        SetLastError(layer_state::ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    layer_state::Seams& seams = layer_state::TestSeams();
    {
        std::lock_guard<std::mutex> lock(seams.boxLock);
        if (seams.captureBoxes) {
            seams.capturedBoxes.push_back({owner, shownText, shownCaption, type});
            return IDOK;
        }
    }
    if (std::getenv("ORBIQUE_NO_MODAL_BOXES") || !layer_state::EnsureVideo()) return IDOK;

    Uint32 flags = (type & 0xF0) == MB_ICONERROR ? SDL_MESSAGEBOX_ERROR : SDL_MESSAGEBOX_INFORMATION;
    SDL_ShowSimpleMessageBox(flags, shownCaption.c_str(), shownText.c_str(),
                             owner ? layer_state::SdlWindowOf(owner) : nullptr);
    return IDOK;
}
