// Watches and answers the setup program's windows from outside, so that the
// installer test waits for the page or message it expects instead of for a
// fixed time. Windows are found among the visible top-level windows by the
// start of their title (the pages add theirs: "Pagewind Setup: Installing");
// controls by their child-window id or text.
//
// Usage:
//   dialog_probe wait-button TITLE ID TEXT [SECONDS]
//       until a window TITLE has an enabled control ID whose text is TEXT
//       (the pages' Next button reads "&Next >", "&Install", "&Finish"...)
//   dialog_probe wait-message TITLE TEXT [SECONDS]
//       until a window TITLE has a control whose text contains TEXT; prints
//       that text
//   dialog_probe wait-no-message TITLE TEXT [SECONDS]
//       until no window TITLE has such a control
//   dialog_probe answer TITLE TEXT ID
//       presses button ID (IDYES 6, IDNO 7, IDRETRY 4, IDCANCEL 2...) of the
//       window TITLE that has a control containing TEXT
// Exits 0 when the state came (or the button was pressed), 1 when it did not
// come within SECONDS (default 30), 2 on usage errors.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

std::string TextOf(HWND window) {
    char text[1024] = "";
    // WM_GETTEXT with a timeout: a hung window must not hang the test.
    DWORD_PTR copied = 0;
    if (!SendMessageTimeoutA(window, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG,
                             2000, &copied))
        return {};
    text[sizeof text - 1] = '\0';
    return text;
}

BOOL CALLBACK Collect(HWND window, LPARAM list) {
    reinterpret_cast<std::vector<HWND>*>(list)->push_back(window);
    return TRUE;
}

std::vector<HWND> WindowsTitled(const std::string& title) {
    std::vector<HWND> all, found;
    EnumWindows(Collect, reinterpret_cast<LPARAM>(&all));
    for (HWND w : all)
        if (IsWindowVisible(w) && TextOf(w).compare(0, title.size(), title) == 0) found.push_back(w);
    return found;
}

std::vector<HWND> ChildrenOf(HWND window) {
    std::vector<HWND> children;
    EnumChildWindows(window, Collect, reinterpret_cast<LPARAM>(&children));
    return children;
}

HWND ButtonWithText(const std::string& title, int id, const std::string& text) {
    for (HWND w : WindowsTitled(title))
        for (HWND c : ChildrenOf(w))
            if (GetDlgCtrlID(c) == id && IsWindowEnabled(c) && IsWindowVisible(c) && TextOf(c) == text) return c;
    return nullptr;
}

// The window TITLE with a control whose text contains TEXT, and that text.
HWND WindowSaying(const std::string& title, const std::string& text, std::string* said) {
    for (HWND w : WindowsTitled(title))
        for (HWND c : ChildrenOf(w)) {
            std::string t = TextOf(c);
            if (t.find(text) != std::string::npos) {
                if (said) *said = t;
                return w;
            }
        }
    return nullptr;
}

template <typename Condition>
bool WaitFor(double seconds, Condition condition) {
    const ULONGLONG end = GetTickCount64() + static_cast<ULONGLONG>(seconds * 1000);
    for (;;) {
        if (condition()) return true;
        if (GetTickCount64() >= end) return false;
        Sleep(100);
    }
}

// What the windows TITLE show, for the message of a failed wait.
void DescribeWindows(const std::string& title) {
    std::vector<HWND> windows = WindowsTitled(title);
    if (windows.empty()) std::printf("no visible window \"%s...\"\n", title.c_str());
    for (HWND w : windows)
        for (HWND c : ChildrenOf(w)) {
            std::string t = TextOf(c);
            if (!t.empty())
                std::printf("  %d%s: %s\n", GetDlgCtrlID(c), IsWindowEnabled(c) ? "" : " (disabled)", t.c_str());
        }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 4) return 2;
    const std::string command = argv[1], title = argv[2];
    if (command == "wait-button" && argc >= 5) {
        const int id = std::atoi(argv[3]);
        const std::string text = argv[4];
        const double seconds = argc > 5 ? std::atof(argv[5]) : 30;
        if (WaitFor(seconds, [&] { return ButtonWithText(title, id, text) != nullptr; })) return 0;
        std::printf("no button %d \"%s\" in \"%s\" within %g s; it shows:\n", id, text.c_str(), title.c_str(), seconds);
        DescribeWindows(title);
        return 1;
    }
    if (command == "wait-message" || command == "wait-no-message") {
        const std::string text = argv[3];
        const double seconds = argc > 4 ? std::atof(argv[4]) : 30;
        const bool present = command == "wait-message";
        std::string said;
        if (WaitFor(seconds, [&] { return (WindowSaying(title, text, &said) != nullptr) == present; })) {
            if (present) std::printf("%s\n", said.c_str());
            return 0;
        }
        std::printf("\"%s\" %s in \"%s\" after %g s; it shows:\n", text.c_str(),
                    present ? "never appeared" : "still shown", title.c_str(), seconds);
        DescribeWindows(title);
        return 1;
    }
    if (command == "answer" && argc >= 5) {
        const std::string text = argv[3];
        const int id = std::atoi(argv[4]);
        HWND box = WindowSaying(title, text, nullptr);
        if (!box || !GetDlgItem(box, id)) {
            std::printf("no window \"%s\" saying \"%s\" with a button %d\n", title.c_str(), text.c_str(), id);
            DescribeWindows(title);
            return 1;
        }
        // As the button's click reports itself to its dialog.
        PostMessageA(box, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(box, id)));
        return 0;
    }
    return 2;
}
