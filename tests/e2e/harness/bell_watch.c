/* A host program (Linux, not Windows) that makes the system beep audible
 * to the tests: Wine's MessageBeep rings the X bell of the display, which
 * Xvfb neither plays nor reports, so the X RECORD extension is asked for
 * every Bell request any client sends to the display.
 *
 *   bell_watch OUT STOP [SECONDS]
 *
 * Writes "ready" to OUT once recording, then one line "bell" per request;
 * ends when the file STOP exists, or after SECONDS (default 120), so that it
 * never outlives the test that started it, writing "stopped" last. Uses
 * $DISPLAY. */
#include <X11/Xlib.h>
#include <X11/Xproto.h>
#include <X11/extensions/record.h>
#include <poll.h>
#include <stdio.h>
#include <stdlib.h>
#include <time.h>
#include <unistd.h>

static FILE *out;

static void Intercepted(XPointer unused, XRecordInterceptData *data) {
  (void)unused;
  if (data->category == XRecordFromClient && data->data && data->data[0] == X_Bell) {
    fputs("bell\n", out);
    fflush(out);
  }
  XRecordFreeData(data);
}

int main(int argc, char **argv) {
  if (argc < 3) {
    fprintf(stderr, "usage: bell_watch OUT STOP [SECONDS]\n");
    return 2;
  }
  int seconds = argc > 3 ? atoi(argv[3]) : 120;
  Display *control = XOpenDisplay(NULL), *data = XOpenDisplay(NULL);
  out = fopen(argv[1], "w");
  if (!control || !data || !out) return 1;

  XRecordClientSpec clients = XRecordAllClients;
  XRecordRange *range = XRecordAllocRange();
  range->core_requests.first = X_Bell;
  range->core_requests.last = X_Bell;
  XRecordContext context = XRecordCreateContext(control, 0, &clients, 1, &range, 1);
  XSync(control, False);  /* the other connection must see the context */
  if (!context || !XRecordEnableContextAsync(data, context, Intercepted, NULL)) return 1;
  fputs("ready\n", out);
  fflush(out);

  time_t end = time(NULL) + seconds;
  while (time(NULL) < end && access(argv[2], F_OK) != 0) {
    struct pollfd connection = {ConnectionNumber(data), POLLIN, 0};
    poll(&connection, 1, 50);
    XRecordProcessReplies(data);
  }
  XRecordDisableContext(control, context);
  XRecordFreeContext(control, context);
  fputs("stopped\n", out);
  fclose(out);
  return 0;
}
