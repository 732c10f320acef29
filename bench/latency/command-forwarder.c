/* Turns the harness's keys into the remote control's commands, so that the key-to-pixels harness
 * measures a command's way to the projector: it holds the keyboard (a grab, whatever has the
 * focus) and sends each key as an OSC message or an HTTP request on loopback, the way a control
 * desk does (a new connection per request). The address and token are read from the program's
 * printed state, which holds the phone page's address with its token.
 * Usage: command-forwarder PROGRAM_LOG osc|http
 * Build: cc -O2 -o command-forwarder command-forwarder.c -lX11 -llo */
#include <X11/Xlib.h>
#include <X11/keysym.h>
#include <arpa/inet.h>
#include <lo/lo.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <time.h>
#include <unistd.h>

static char token[128];
static int httpPort, oscPort;

static void pause_ms(int ms) {
    struct timespec t = {ms / 1000, (ms % 1000) * 1000000L};
    nanosleep(&t, NULL);
}

/* The first printed state that is listening: "address":"http://H:PORT/?token=T", "oscPort":N. */
static int read_log(const char* path) {
    FILE* f = fopen(path, "r");
    if (!f)
        return 0;
    char line[65536];
    int found = 0;
    while (!found && fgets(line, sizeof line, f)) {
        const char* address = strstr(line, "\"address\":\"http://");
        const char* osc = strstr(line, "\"oscPort\":");
        if (!address || !osc)
            continue;
        const char* port = strchr(address + strlen("\"address\":\"http://"), ':');
        const char* tok = strstr(address, "token=");
        if (!port || !tok)
            continue;
        httpPort = atoi(port + 1);
        oscPort = atoi(osc + strlen("\"oscPort\":"));
        size_t n = strcspn(tok + 6, "\"&");
        if (n == 0 || n >= sizeof token || httpPort <= 0 || oscPort <= 0)
            continue;
        memcpy(token, tok + 6, n);
        token[n] = 0;
        found = 1;
    }
    fclose(f);
    return found;
}

static void send_http(const char* command) {
    int s = socket(AF_INET, SOCK_STREAM, 0);
    struct sockaddr_in to = {.sin_family = AF_INET, .sin_port = htons(httpPort)};
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    int one = 1;
    setsockopt(s, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    if (connect(s, (struct sockaddr*)&to, sizeof to) == 0) {
        char request[512];
        int n = snprintf(request, sizeof request,
                         "POST /api/v1/%s HTTP/1.1\r\nHost: 127.0.0.1:%d\r\nX-Orvello-Token: %s\r\n"
                         "Content-Length: 0\r\nConnection: close\r\n\r\n",
                         command, httpPort, token);
        /* The answer is read as a desk reads it; the server may keep the connection open. */
        struct timeval wait = {1, 0};
        setsockopt(s, SOL_SOCKET, SO_RCVTIMEO, &wait, sizeof wait);
        char answer[1024];
        if (write(s, request, (size_t)n) == n && read(s, answer, sizeof answer) < 0)
            fprintf(stderr, "command-forwarder: no answer to %s\n", command);
    }
    close(s);
}

int main(int argc, char** argv) {
    if (argc != 3 || (strcmp(argv[2], "osc") && strcmp(argv[2], "http"))) {
        fprintf(stderr, "usage: %s PROGRAM_LOG osc|http\n", argv[0]);
        return 2;
    }
    const int osc = !strcmp(argv[2], "osc");
    /* Bounded: the program prints its state within seconds, and a run lasts minutes. */
    for (int waited = 0; !read_log(argv[1]); waited += 20) {
        if (waited > 30000) {
            fprintf(stderr, "command-forwarder: no remote address in %s\n", argv[1]);
            return 1;
        }
        pause_ms(20);
    }
    Display* dpy = XOpenDisplay(NULL);
    if (!dpy)
        return 1;
    Window root = DefaultRootWindow(dpy);
    while (XGrabKeyboard(dpy, root, False, GrabModeAsync, GrabModeAsync, CurrentTime) !=
           GrabSuccess)
        pause_ms(20);
    char port[16];
    snprintf(port, sizeof port, "%d", oscPort);
    lo_address desk = lo_address_new("127.0.0.1", port);
    fprintf(stderr, "command-forwarder: %s on ports %d/%d\n", argv[2], httpPort, oscPort);
    const time_t end = time(NULL) + 1800;
    while (time(NULL) < end) {
        XEvent event;
        XNextEvent(dpy, &event);
        if (event.type != KeyPress)
            continue;
        const KeySym key = XLookupKeysym(&event.xkey, 0);
        const char* command = key == XK_F5                        ? "start"
                              : key == XK_Right || key == XK_Next ? "next"
                              : key == XK_Left || key == XK_Prior ? "previous"
                                                                  : NULL;
        if (!command)
            continue;
        if (osc) {
            char path[64];
            snprintf(path, sizeof path, "/orvello/%s", command);
            lo_send(desk, path, "s", token);
        } else {
            send_http(command);
        }
    }
    return 0;
}
