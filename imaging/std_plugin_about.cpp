#include "imaging/std_plugin_about.h"

const char kStdAboutText[] =
    "This is standard image formats plugin\r\n"
    "Now support formats:\r\n"
    "      JPEG (.jpg,.jpeg)\r\n"
    "      Bitmap (without RLE compression) (.bmp)\r\n"
    "      Portable pixel map (.ppm)\r\n"
    "\r\n"
    "Quillora";
