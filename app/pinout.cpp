// Placeholder: the pinout picture.
#include "app/app.h"
void paint_pinout_picture() {
    PAINTSTRUCT paint;
    BeginPaint(main_window, &paint);
    EndPaint(main_window, &paint);
}
void release_pinout_pictures() {}
