// LatePage: what the main window's start gave every page, for a page built after the start.
#pragma once

#include <QSize>
#include <QString>

#include <functional>

class TKovaImage;

struct LatePage
{
    std::function<QString(const char *)> text; // the text of a key in the language in force
    TKovaImage *texture = nullptr;             // the texture in force, if any
    bool large = false;                        // the large layout, with a page's size in it
    QSize largeSize;
};
