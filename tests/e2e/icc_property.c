/* Gives the X server's screen a monitor profile, as colour managers on
 * Linux do: the file's bytes as the root window's _ICC_PROFILE property,
 * which Wine's GetICMProfile hands to Windows programs. xprop sets no more
 * than 64 bytes.
 *     icc_property FILE.icc     icc_property --remove */
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

int main(int argc, char** argv) {
    if (argc != 2) {
        fprintf(stderr, "usage: icc_property FILE.icc | --remove\n");
        return 2;
    }
    Display* display = XOpenDisplay(NULL);
    if (!display) {
        fprintf(stderr, "icc_property: no X display\n");
        return 1;
    }
    const Atom property = XInternAtom(display, "_ICC_PROFILE", False);
    const Window root = DefaultRootWindow(display);
    int status = 0;
    if (strcmp(argv[1], "--remove") == 0) {
        XDeleteProperty(display, root, property);
    } else {
        FILE* file = fopen(argv[1], "rb");
        unsigned char* bytes = malloc(1 << 24);
        const size_t size = file && bytes ? fread(bytes, 1, 1 << 24, file) : 0;
        if (size == 0) {
            fprintf(stderr, "icc_property: cannot read %s\n", argv[1]);
            status = 1;
        } else {
            XChangeProperty(display, root, property, XA_CARDINAL, 8, PropModeReplace, bytes, (int)size);
        }
        if (file) fclose(file);
        free(bytes);
    }
    XSync(display, False);
    XCloseDisplay(display);
    return status;
}
