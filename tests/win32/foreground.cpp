// What a person sees in front under Wine, for setup_end_to_end.sh. Wine offers the Linux
// side no accessibility names, and it keeps X's keyboard focus on the window that first
// had it while it passes keys on to the window it made active itself; Qt draws its
// controls itself, so no window of Windows holds a field's text either:
//   foreground caption     the caption of the active window
//   foreground clipboard   the text on the clipboard (what a field gave on Ctrl+C)
// printed in UTF-8; status 1 when there is none.

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>

namespace {

int Print(const wchar_t* text, int length) {
  std::string utf8(4 * static_cast<std::size_t>(length), '\0');
  const int bytes =
      WideCharToMultiByte(CP_UTF8, 0, text, length, utf8.data(), static_cast<int>(utf8.size()), nullptr, nullptr);
  std::fwrite(utf8.data(), 1, static_cast<std::size_t>(bytes), stdout);
  return 0;
}

int ActiveCaption() {
  GUITHREADINFO thread{};
  thread.cbSize = sizeof thread;
  if (!GetGUIThreadInfo(0, &thread) || thread.hwndActive == nullptr) return 1;
  wchar_t text[1024];
  return Print(text, GetWindowTextW(thread.hwndActive, text, static_cast<int>(std::size(text))));
}

int ClipboardText() {
  if (!OpenClipboard(nullptr)) return 1;
  int status = 1;
  if (const HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
    if (const auto* text = static_cast<const wchar_t*>(GlobalLock(data))) {
      status = Print(text, static_cast<int>(std::wcslen(text)));
      GlobalUnlock(data);
    }
  }
  CloseClipboard();
  return status;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 2 && std::strcmp(argv[1], "caption") == 0) return ActiveCaption();
  if (argc == 2 && std::strcmp(argv[1], "clipboard") == 0) return ClipboardText();
  std::fputs("usage: foreground caption|clipboard\n", stderr);
  return 2;
}
