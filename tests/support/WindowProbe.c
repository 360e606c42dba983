/* Test helper, a Windows program run under Wine beside tavimer-maint.exe: it reports what the
 * program's windows show, so that a test which presses and types through the X display (with
 * xdotool) knows where the windows are and reads what they say. One command a line on its
 * standard input, one answer on its standard output; each waits up to the seconds given.
 *
 *   window SECONDS         the main window's client area on the screen: "X Y", or "none"
 *   dialog SECONDS         a password dialog's client area: "X Y", or "none"
 *   button CAPTION         whether the main window shows an enabled button of that caption,
 *                          waiting up to 60 seconds: "yes" or "no"
 *   box SECONDS            the text of a message box of the program, its lines joined by
 *                          " | ", or "none"
 *   text                   the main window's results box, a line of output each, then "."
 *   ended SECONDS          "yes" once no window of the program is left, or "no"
 *   documents              the user's documents folder, where a second generation lies
 *   state SECONDS          what the program asks of the user next, waiting for a window it
 *                          has not reported yet: "dialog X Y" (a password dialog's client
 *                          area), "box TEXT" (a message box), "finished" (the closing button
 *                          of the main window is shown), "ended" (no window is left), or
 *                          "none" when nothing came
 */
#include <windows.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
/* after windows.h */
#include <shlobj.h>

static const wchar_t kTitle[] = L"Tavimer Database Maintenance";

static void PrintWide(const wchar_t* text) {
  char out[65536];
  int n = WideCharToMultiByte(CP_UTF8, 0, text, -1, out, (int)sizeof out, NULL, NULL);
  if (n <= 0) out[0] = '\0';
  fputs(out, stdout);
}

static HWND MainWindow(void) {
  HWND w = FindWindowW(L"TavimerForm", kTitle);
  return w && IsWindowVisible(w) ? w : NULL;
}

struct Search {
  DWORD process;
  const wchar_t* cls;
  HWND found;
};

static BOOL CALLBACK FindShown(HWND w, LPARAM data) {
  struct Search* s = (struct Search*)data;
  wchar_t cls[64] = L"", title[8] = L"";
  DWORD process = 0;
  GetWindowThreadProcessId(w, &process);
  GetClassNameW(w, cls, 64);
  GetWindowTextW(w, title, 8);
  if (IsWindowVisible(w) && wcscmp(cls, s->cls) == 0 && (s->process == 0 || process == s->process) &&
      (wcscmp(s->cls, L"TavimerForm") != 0 || title[0] == L'\0')) {
    s->found = w;
    return FALSE;
  }
  return TRUE;
}

/* A shown top-level window of the class, without a title when it is one of our forms. */
static HWND Shown(const wchar_t* cls) {
  struct Search s = {0, cls, NULL};
  HWND main = FindWindowW(L"TavimerForm", kTitle);
  if (main) GetWindowThreadProcessId(main, &s.process);
  EnumWindows(FindShown, (LPARAM)&s);
  return s.found;
}

static HWND WaitFor(HWND (*find)(void), int seconds) {
  for (int i = 0; i < seconds * 10; ++i) {
    HWND w = find();
    if (w) return w;
    Sleep(100);
  }
  return find();
}

static HWND Dialog(void) { return Shown(L"TavimerForm"); }
static HWND Box(void) { return Shown(L"#32770"); }

static void PrintOrigin(HWND w) {
  POINT origin = {0, 0};
  if (!w) {
    puts("none");
    return;
  }
  ClientToScreen(w, &origin);
  printf("%ld %ld\n", (long)origin.x, (long)origin.y);
}

struct Caption {
  const wchar_t* caption;
  HWND found;
};

static BOOL CALLBACK FindButton(HWND w, LPARAM data) {
  struct Caption* c = (struct Caption*)data;
  wchar_t cls[16] = L"", text[256] = L"";
  GetClassNameW(w, cls, 16);
  GetWindowTextW(w, text, 256);
  if (_wcsicmp(cls, L"Button") == 0 && wcscmp(text, c->caption) == 0 && IsWindowVisible(w) &&
      IsWindowEnabled(w)) {
    c->found = w;
    return FALSE;
  }
  return TRUE;
}

static BOOL CALLBACK FindResults(HWND w, LPARAM data) {
  wchar_t cls[16] = L"";
  GetClassNameW(w, cls, 16);
  if (_wcsicmp(cls, L"Edit") == 0 && (GetWindowLongW(w, GWL_STYLE) & ES_MULTILINE)) {
    *(HWND*)data = w;
    return FALSE;
  }
  return TRUE;
}

static BOOL CALLBACK PrintStatic(HWND w, LPARAM data) {
  wchar_t cls[16] = L"", text[4096] = L"";
  GetClassNameW(w, cls, 16);
  GetWindowTextW(w, text, 4096);
  if (_wcsicmp(cls, L"Static") == 0 && text[0] != L'\0') {
    int* count = (int*)data;
    if ((*count)++ > 0) fputs(" | ", stdout);
    for (wchar_t* c = text; *c; ++c)
      if (*c == L'\r' || *c == L'\n') *c = L' ';
    PrintWide(text);
  }
  return TRUE;
}

static void PrintResults(void) {
  HWND results = NULL;
  HWND main = MainWindow();
  if (main) EnumChildWindows(main, FindResults, (LPARAM)&results);
  if (results) {
    /* Sent, not read with GetWindowText: an edit box of another process keeps its text itself. */
    int length = (int)SendMessageW(results, WM_GETTEXTLENGTH, 0, 0);
    wchar_t* text = (wchar_t*)calloc((size_t)length + 1, sizeof(wchar_t));
    SendMessageW(results, WM_GETTEXT, (WPARAM)length + 1, (LPARAM)text);
    for (wchar_t* line = text; line;) {
      wchar_t* end = wcsstr(line, L"\r\n");
      if (end) *end = L'\0';
      PrintWide(line);
      putchar('\n');
      line = end ? end + 2 : NULL;
    }
    free(text);
  }
  puts(".");
}

static HWND reported = NULL;

/* The closing button of the main window: "OK", shown once the run is over. */
static HWND EndButton(void) {
  struct Caption c = {L"OK", NULL};
  HWND main = MainWindow();
  if (main) EnumChildWindows(main, FindButton, (LPARAM)&c);
  return c.found;
}

static void PrintState(int seconds) {
  for (int i = 0; i <= seconds * 10; ++i, Sleep(100)) {
    HWND box = Box(), dialog = Dialog();
    if (box && box != reported) {
      int count = 0;
      reported = box;
      fputs("box ", stdout);
      EnumChildWindows(box, PrintStatic, (LPARAM)&count);
      putchar('\n');
      return;
    }
    if (dialog && dialog != reported && !box) {
      reported = dialog;
      fputs("dialog ", stdout);
      PrintOrigin(dialog);
      return;
    }
    if (!box && !dialog && EndButton()) {
      puts("finished");
      return;
    }
    if (!FindWindowW(L"TavimerForm", NULL)) {
      puts("ended");
      return;
    }
  }
  puts("none");
}

int main(void) {
  char line[1024];
  while (fgets(line, sizeof line, stdin)) {
    line[strcspn(line, "\r\n")] = '\0';
    char* argument = strchr(line, ' ');
    if (argument) *argument++ = '\0';
    const int seconds = argument ? atoi(argument) : 0;
    if (strcmp(line, "window") == 0) {
      PrintOrigin(WaitFor(MainWindow, seconds));
    } else if (strcmp(line, "dialog") == 0) {
      PrintOrigin(WaitFor(Dialog, seconds));
    } else if (strcmp(line, "box") == 0) {
      HWND box = WaitFor(Box, seconds);
      int count = 0;
      if (box) EnumChildWindows(box, PrintStatic, (LPARAM)&count);
      puts(box ? "" : "none");
    } else if (strcmp(line, "button") == 0 && argument) {
      wchar_t caption[256];
      MultiByteToWideChar(CP_UTF8, 0, argument, -1, caption, 256);
      struct Caption c = {caption, NULL};
      for (int i = 0; i < 600 && !c.found; ++i) {
        HWND main = MainWindow();
        if (main) EnumChildWindows(main, FindButton, (LPARAM)&c);
        if (!c.found) Sleep(100);
      }
      puts(c.found ? "yes" : "no");
    } else if (strcmp(line, "text") == 0) {
      PrintResults();
    } else if (strcmp(line, "ended") == 0) {
      int i = 0;
      while (FindWindowW(L"TavimerForm", NULL) && i++ < seconds * 10) Sleep(100);
      puts(FindWindowW(L"TavimerForm", NULL) ? "no" : "yes");
    } else if (strcmp(line, "state") == 0) {
      PrintState(seconds);
    } else if (strcmp(line, "documents") == 0) {
      wchar_t folder[MAX_PATH] = L"";
      SHGetFolderPathW(NULL, CSIDL_PERSONAL, NULL, 0, folder);
      PrintWide(folder);
      putchar('\n');
    } else {
      puts("?");
    }
    fflush(stdout);
  }
  return 0;
}
