// Dialog templates as records: what the resource script of a dialog would say
// about its window (size, styles, caption). A program registers its templates
// once; dialogs are created from them by number.
#pragma once

#include <cstdint>
#include <string>

namespace plat {

struct DialogTemplate {
    int id = 0;
    int cx = 0, cy = 0;  // pixels
    uint32_t style = 0;
    uint32_t exStyle = 0;
    std::u16string caption;
};

// A later record with the same id replaces the earlier one.
void RegisterDialogTemplate(const DialogTemplate& t);
bool FindDialogTemplate(int id, DialogTemplate& out);

}  // namespace plat
