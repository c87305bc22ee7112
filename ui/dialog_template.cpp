#include "ui/dialog_template.h"

std::vector<WORD> dialog_template(short widthUnits, short heightUnits, const wchar_t* caption) {
    std::vector<WORD> words(sizeof(DLGTEMPLATE) / sizeof(WORD), 0);
    auto* t = reinterpret_cast<DLGTEMPLATE*>(words.data());
    t->style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_CENTER;
    t->cdit = 0;
    t->cx = widthUnits;
    t->cy = heightUnits;
    words.push_back(0);  // no menu
    words.push_back(0);  // the standard dialog class
    for (const wchar_t* c = caption; c && *c; ++c) {
        words.push_back(static_cast<WORD>(*c));
    }
    words.push_back(0);
    return words;
}
