// Checks a picture that zefhost.exe took under Wine against the resource script:
//   picture_check RC_FILE DIALOG_ID PICTURE.png     a dialog or panel page
//   picture_check - - PICTURE.png                   any other window
// A dialog's client area must be the template's size through the dialog's base units,
// every control must sit at its template position, and every control's rectangle must
// show more than one colour (it was painted). Any picture must match the size its
// layout gives and must not be blank. Prints what it checked; exit 1 on a mismatch.

#include <cstdio>
#include <iostream>
#include <map>
#include <sstream>

#include "hostkit/rc/rc_parser.h"
#include "tests/support/png_read.h"

namespace {

using Picture = PngPicture;

struct Box {
    int x = 0, y = 0, w = 0, h = 0;
};

bool readPicture(const char* path, Picture& picture) {
    return readPng(path, picture);
}

uint32_t pixelAt(const Picture& p, int x, int y) {
    const uint8_t* px = &p.rgb[((size_t)y * (size_t)p.width + (size_t)x) * 3];
    return (uint32_t)px[0] << 16 | (uint32_t)px[1] << 8 | px[2];
}

// The box's most common colour, and how many of its pixels differ from it.
std::pair<uint32_t, long> background(const Picture& p, Box b) {
    std::map<uint32_t, long> counts;
    for (int y = b.y; y < b.y + b.h && y < p.height; ++y)
        for (int x = b.x; x < b.x + b.w && x < p.width; ++x) ++counts[pixelAt(p, x, y)];
    long total = 0, most = 0;
    uint32_t colour = 0;
    for (auto [c, n] : counts) {
        total += n;
        if (n > most) most = n, colour = c;
    }
    return {colour, total - most};
}

long pixelsOffBackground(const Picture& p, Box b) {
    return background(p, b).second;
}

// Windows' MulDiv, rounding halves away from zero, as dialog units are mapped.
int mulDiv(int value, int numerator, int denominator) {
    return (int)(((long long)value * numerator * 2 + denominator) / (denominator * 2));
}

bool failed = false;

void check(bool ok, const std::string& what) {
    if (!ok) {
        std::cout << "MISMATCH: " << what << "\n";
        failed = true;
    }
}

std::string describe(Box b) {
    std::ostringstream s;
    s << b.x << "," << b.y << " " << b.w << "x" << b.h;
    return s.str();
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::cerr << "usage: picture_check RC_FILE|- DIALOG_ID|- PICTURE.png\n";
        return 2;
    }
    Picture picture;
    if (!readPicture(argv[3], picture)) {
        std::cout << argv[3] << ": not a PNG file\n";
        return 1;
    }
    std::istringstream layout(picture.layout);
    std::string word;
    int windowW = 0, windowH = 0, baseX = 0, baseY = 0;
    Box client;
    std::vector<std::pair<int, Box>> controls;
    while (layout >> word) {
        if (word == "window") layout >> windowW >> windowH;
        if (word == "client") layout >> client.x >> client.y >> client.w >> client.h;
        if (word == "base") layout >> baseX >> baseY;
        if (word == "control") {
            int id;
            Box b;
            layout >> id >> b.x >> b.y >> b.w >> b.h;
            controls.push_back({id, b});
        }
    }
    std::cout << argv[3] << ": " << picture.width << " x " << picture.height << " pixels\n";
    check(windowW > 0 && picture.width == windowW && picture.height == windowH,
          "the picture is not the window's size");
    long painted = pixelsOffBackground(picture, client);
    check(painted * 200 > (long)client.w * client.h, "the client area is blank");

    if (std::string(argv[1]) != "-") {
        zefrc::ParseResult rc = zefrc::parseRcFile(argv[1]);
        if (rc.error) {
            std::cout << rc.error->message() << "\n";
            return 2;
        }
        int dialogId = std::atoi(argv[2]);
        const zefrc::RcDialog* dialog = nullptr;
        for (const zefrc::RcDialog& d : rc.file.dialogs)
            if (d.id == dialogId) dialog = &d;
        if (!dialog) {
            std::cout << "no dialog " << dialogId << " in " << argv[1] << "\n";
            return 2;
        }
        std::cout << "dialog " << dialogId << ": base units " << baseX << " x " << baseY << "\n";
        check(baseX > 0 && baseY > 0, "the picture carries no base units");
        check(client.w == mulDiv(dialog->cx, baseX, 4) && client.h == mulDiv(dialog->cy, baseY, 8),
              "client area " + describe(client) + " is not the template's size");
        check(controls.size() == dialog->controls.size(), "the number of controls differs");
        for (size_t i = 0; i < controls.size() && i < dialog->controls.size(); ++i) {
            const zefrc::RcControl& t = dialog->controls[i];
            Box expected{mulDiv(t.x, baseX, 4), mulDiv(t.y, baseY, 8), mulDiv(t.cx, baseX, 4),
                         mulDiv(t.cy, baseY, 8)};
            auto [id, actual] = controls[i];
            std::string name = "control " + std::to_string(i + 1) + " (id " + std::to_string(t.id) +
                               ", \"" + t.text + "\")";
            check(id == (t.id & 0xFFFF), name + " has id " + std::to_string(id));
            check(describe(actual) == describe(expected), name + " at " + describe(actual) +
                                                              ", the template puts it at " +
                                                              describe(expected));
            Box inPicture{client.x + actual.x, client.y + actual.y, actual.w, actual.h};
            // Painted: something drawn in it, or (an empty edit) a colour of its own.
            auto [colour, drawn] = background(picture, inPicture);
            check(drawn > 0 || colour != background(picture, client).first,
                  name + " shows nothing");
        }
        std::cout << controls.size() << " controls checked\n";
    }
    std::cout << (failed ? "FAILED\n" : "OK\n");
    return failed ? 1 : 0;
}
