// Times a program's first paint on X: from starting it until the X server first reports
// drawing (a DAMAGE event) into a top-level window that the program owns (its _NET_WM_PID
// is the program or one of its descendants). After SETTLE_MS more it ends the program with
// SIGTERM and reads its peak RSS, as wait4 gives it (what /usr/bin/time -v reports).
// Prints "PAINT_MS PEAK_RSS_KB".
//
// The server reports damage only for drawing into the window, not for mapping it: a window
// whose background is None (as the toolkit's are) shows nothing until the program draws.
// With --verbose it also tells on standard error when the window was created, mapped and
// first exposed (the Expose event asks the program to draw; the damage follows once it has
// drawn), the first damaged rectangle, and when the damage has covered the whole window. With
// --shot FILE it grabs the server at the first damage and writes the window's pixels to
// FILE as a PPM picture, to see what had been drawn by then.
//
// Usage: firstpaint [--verbose] [--shot FILE.ppm] SETTLE_MS COMMAND [ARGUMENT...]
#define _GNU_SOURCE
#include <errno.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <stdbool.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/pidfd.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>
#include <xcb/damage.h>
#include <xcb/xcb.h>

extern char **environ;

enum { TimeLimitMs = 60000, MostWindows = 512 };

struct window {
    xcb_window_t id;
    xcb_damage_damage_t damage;
    int owner; // the owning process when it is the program or its descendant, 0 if not, -1 unknown
    double created_ms, mapped_ms, exposed_ms;
};

static xcb_connection_t *connection;
static xcb_window_t root;
static const xcb_query_extension_reply_t *damage_extension;
static xcb_atom_t net_wm_pid;
static struct window windows[MostWindows];
static int window_count;
static pid_t child;
static double start;
static bool verbose;
static const char *shot;

// The first paint, once seen.
static struct window *painted;
static double paint_ms = -1, covered_ms = -1;
static xcb_rectangle_t first_area, geometry;
static unsigned char *coverage; // one byte per pixel of the window, in verbose mode
static long uncovered;

static double now_ms(void)
{
    struct timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return t.tv_sec * 1e3 + t.tv_nsec / 1e6 - start;
}

static void fail(const char *what)
{
    fprintf(stderr, "firstpaint: %s\n", what);
    if (child > 0)
        kill(child, SIGKILL);
    exit(1);
}

static xcb_atom_t atom(const char *name)
{
    xcb_intern_atom_reply_t *reply = xcb_intern_atom_reply(
        connection, xcb_intern_atom(connection, 0, strlen(name), name), NULL);
    if (!reply)
        fail("cannot intern an atom");
    const xcb_atom_t found = reply->atom;
    free(reply);
    return found;
}

static void connect_to_display(void)
{
    connection = xcb_connect(NULL, NULL);
    if (xcb_connection_has_error(connection))
        fail("cannot open the display");
    root = xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;
    damage_extension = xcb_get_extension_data(connection, &xcb_damage_id);
    if (!damage_extension || !damage_extension->present)
        fail("the X server has no DAMAGE extension");
    free(xcb_damage_query_version_reply(connection,
                                        xcb_damage_query_version(connection, 1, 1), NULL));
    net_wm_pid = atom("_NET_WM_PID");
    // Every window created on the root, the program's top-levels among them.
    const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_change_window_attributes(connection, root, XCB_CW_EVENT_MASK, &mask);
    free(xcb_get_input_focus_reply(connection, xcb_get_input_focus(connection), NULL));
}

// The parent of a process, from /proc; 0 when it is gone.
static pid_t parent_of(pid_t pid)
{
    char path[64], text[512];
    snprintf(path, sizeof path, "/proc/%d/stat", pid);
    FILE *file = fopen(path, "r");
    if (!file)
        return 0;
    const size_t length = fread(text, 1, sizeof text - 1, file);
    fclose(file);
    text[length] = '\0';
    const char *after_name = strrchr(text, ')');
    int parent = 0;
    if (!after_name || sscanf(after_name, ") %*c %d", &parent) != 1)
        return 0;
    return parent;
}

static bool is_program_or_descendant(pid_t pid)
{
    for (int depth = 0; pid > 1 && depth < 64; ++depth, pid = parent_of(pid)) {
        if (pid == child)
            return true;
    }
    return false;
}

// The process that owns the window by its _NET_WM_PID, if that is the program or its descendant.
static int owner_of(xcb_window_t window)
{
    xcb_get_property_reply_t *reply = xcb_get_property_reply(
        connection,
        xcb_get_property(connection, 0, window, net_wm_pid, XCB_ATOM_CARDINAL, 0, 1), NULL);
    int owner = 0;
    if (reply && xcb_get_property_value_length(reply) == 4) {
        const pid_t pid = *(const uint32_t *)xcb_get_property_value(reply);
        owner = is_program_or_descendant(pid) ? pid : 0;
    }
    free(reply);
    return owner;
}

static struct window *find_window(xcb_window_t id)
{
    for (int i = 0; i < window_count; ++i) {
        if (windows[i].id == id)
            return &windows[i];
    }
    return NULL;
}

// Watches a new window on the root: its drawing, and its mapping and exposure for the
// verbose report.
static void watch(xcb_window_t id, double seen)
{
    if (window_count == MostWindows)
        return;
    struct window *window = &windows[window_count++];
    *window = (struct window){id, xcb_generate_id(connection), -1, seen, -1, -1};
    xcb_damage_create(connection, window->damage, id, XCB_DAMAGE_REPORT_LEVEL_RAW_RECTANGLES);
    const uint32_t mask = XCB_EVENT_MASK_STRUCTURE_NOTIFY | XCB_EVENT_MASK_EXPOSURE;
    xcb_change_window_attributes(connection, id, XCB_CW_EVENT_MASK, &mask);
    xcb_flush(connection);
}

// Writes the window's pixels as they are now, the server held still meanwhile (24-bit
// TrueColor, 32 bits a pixel, blue first).
static void take_shot(xcb_window_t id)
{
    xcb_grab_server(connection);
    xcb_get_image_reply_t *image = xcb_get_image_reply(
        connection,
        xcb_get_image(connection, XCB_IMAGE_FORMAT_Z_PIXMAP, id, 0, 0, geometry.width,
                      geometry.height, ~0u),
        NULL);
    xcb_ungrab_server(connection);
    xcb_flush(connection);
    FILE *file = fopen(shot, "wb");
    if (!image || !file || xcb_get_image_data_length(image) != geometry.width * geometry.height * 4)
        fail("cannot take the picture of the window");
    fprintf(file, "P6\n%d %d\n255\n", geometry.width, geometry.height);
    const uint8_t *pixel = xcb_get_image_data(image);
    for (int i = 0; i < geometry.width * geometry.height; ++i, pixel += 4) {
        const uint8_t rgb[3] = {pixel[2], pixel[1], pixel[0]};
        fwrite(rgb, 1, 3, file);
    }
    fclose(file);
    free(image);
}

// Marks the damaged rectangle in the verbose mode's coverage map.
static void cover(xcb_rectangle_t area, double seen)
{
    for (int y = area.y; y < area.y + area.height && y < geometry.height; ++y) {
        for (int x = area.x; x < area.x + area.width && x < geometry.width; ++x) {
            if (x >= 0 && y >= 0 && !coverage[y * geometry.width + x]) {
                coverage[y * geometry.width + x] = 1;
                --uncovered;
            }
        }
    }
    if (uncovered == 0 && covered_ms < 0)
        covered_ms = seen;
}

static void on_damage(const xcb_damage_notify_event_t *event, double seen)
{
    struct window *window = find_window(event->drawable);
    if (!window)
        return;
    if (window->owner < 0) {
        window->owner = owner_of(window->id);
        if (window->owner == 0) {
            // Another client's window, such as the window manager's frame: not watched further.
            xcb_damage_destroy(connection, window->damage);
            xcb_flush(connection);
        }
    }
    if (window->owner == 0 || (painted && window != painted))
        return;
    if (!painted) {
        painted = window;
        paint_ms = seen;
        first_area = event->area;
        geometry = event->geometry;
        if (shot)
            take_shot(window->id);
        if (verbose) {
            uncovered = (long)geometry.width * geometry.height;
            coverage = calloc(uncovered, 1);
            if (!coverage)
                fail("out of memory");
        }
    }
    if (verbose)
        cover(event->area, seen);
}

static void on_event(const xcb_generic_event_t *event, double seen)
{
    const uint8_t type = event->response_type & 0x7f;
    if (type == XCB_CREATE_NOTIFY) {
        const xcb_create_notify_event_t *created = (const void *)event;
        if (created->parent == root && !created->override_redirect)
            watch(created->window, seen);
    } else if (type == XCB_MAP_NOTIFY) {
        const xcb_map_notify_event_t *mapped = (const void *)event;
        struct window *window = find_window(mapped->window);
        if (window && window->mapped_ms < 0)
            window->mapped_ms = seen;
    } else if (type == XCB_EXPOSE) {
        const xcb_expose_event_t *exposed = (const void *)event;
        struct window *window = find_window(exposed->window);
        if (window && window->exposed_ms < 0)
            window->exposed_ms = seen;
    } else if (type == damage_extension->first_event + XCB_DAMAGE_NOTIFY) {
        on_damage((const void *)event, seen);
    }
    // Errors (a window gone before it could be watched) and other events do not matter.
}

static void report_verbose(void)
{
    fprintf(stderr,
            "firstpaint: window 0x%x of process %d (%dx%d): created at %.1f ms, mapped at "
            "%.1f ms, exposed at %.1f ms, first damage at %.1f ms (%dx%d at %d,%d), whole "
            "window damaged at %.1f ms\n",
            painted->id, painted->owner, geometry.width, geometry.height, painted->created_ms,
            painted->mapped_ms, painted->exposed_ms, paint_ms, first_area.width, first_area.height, first_area.x,
            first_area.y, covered_ms);
}

int main(int argc, char *argv[])
{
    int next = 1;
    for (; next < argc && argv[next][0] == '-'; ++next) {
        if (strcmp(argv[next], "--verbose") == 0)
            verbose = true;
        else if (strcmp(argv[next], "--shot") == 0 && next + 1 < argc)
            shot = argv[++next];
        else
            break;
    }
    if (argc - next < 2)
        fail("usage: firstpaint [--verbose] [--shot FILE.ppm] SETTLE_MS COMMAND [ARGUMENT...]");
    const int settle_ms = atoi(argv[next]);
    connect_to_display();

    struct timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    start = t.tv_sec * 1e3 + t.tv_nsec / 1e6;
    if (posix_spawnp(&child, argv[next + 1], NULL, NULL, argv + next + 1, environ) != 0)
        fail("cannot start the program");
    const int exited = pidfd_open(child, 0);
    if (exited < 0)
        fail("pidfd_open failed");

    for (;;) {
        xcb_generic_event_t *event;
        while ((event = xcb_poll_for_event(connection))) {
            on_event(event, now_ms());
            free(event);
        }
        if (xcb_connection_has_error(connection))
            fail("the display connection broke");
        const double left =
            paint_ms >= 0 ? paint_ms + settle_ms - now_ms() : TimeLimitMs - now_ms();
        if (left <= 0) {
            if (paint_ms < 0)
                fail("no window was painted in time");
            break;
        }
        struct pollfd watched[2] = {{xcb_get_file_descriptor(connection), POLLIN, 0},
                                    {exited, POLLIN, 0}};
        if (poll(watched, 2, (int)left + 1) < 0 && errno != EINTR)
            fail("poll failed");
        if (watched[1].revents & POLLIN)
            fail(paint_ms < 0 ? "the program ended before it painted"
                              : "the program ended before it was told to");
    }

    // Told to end; one that does not within 10 s is killed.
    kill(painted->owner, SIGTERM);
    struct pollfd ending = {exited, POLLIN, 0};
    if (poll(&ending, 1, 10000) == 0)
        kill(painted->owner, SIGKILL);
    struct rusage usage;
    int status;
    if (wait4(child, &status, 0, &usage) != child)
        fail("wait4 failed");
    printf("%.3f %ld\n", paint_ms, usage.ru_maxrss);
    if (verbose)
        report_verbose();
    return 0;
}
