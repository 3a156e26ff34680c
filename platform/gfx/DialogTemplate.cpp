#include "platform/gfx/DialogTemplate.h"

#include <map>
#include <mutex>

namespace plat {

namespace {

std::mutex g_lock;
std::map<int, DialogTemplate>& Templates() {
    static std::map<int, DialogTemplate> t;
    return t;
}

}  // namespace

void RegisterDialogTemplate(const DialogTemplate& t) {
    std::lock_guard<std::mutex> l(g_lock);
    Templates()[t.id] = t;
}

bool FindDialogTemplate(int id, DialogTemplate& out) {
    std::lock_guard<std::mutex> l(g_lock);
    auto it = Templates().find(id);
    if (it == Templates().end()) return false;
    out = it->second;
    return true;
}

}  // namespace plat
