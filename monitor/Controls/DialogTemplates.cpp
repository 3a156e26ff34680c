// The monitor's dialog templates: the numbers its windows are created from,
// with their initial size, styles and caption. The skinned windows draw their
// own frame, so none has a system caption or border.
#include <mutex>

#include "monitor/Controls/Wnd.h"
#include "platform/gfx/DialogTemplate.h"

using namespace plat;

void RegisterMonitorDialogTemplates() {
    static std::once_flag once;
    std::call_once(once, [] {
        const uint32_t popup = WS_POPUP | WS_CLIPSIBLINGS | WS_CLIPCHILDREN | WS_SYSMENU;
        const uint32_t page = WS_CHILD | WS_CLIPSIBLINGS | WS_CLIPCHILDREN;
        const DialogTemplate templates[] = {
            {101, 528, 424, popup, 0, u"联系人卡片"},
            {102, 390, 330, page, 0, u""},
            {103, 390, 330, page, 0, u""},
            {104, 390, 330, page, 0, u""},
            {105, 390, 330, page, 0, u""},
            {106, 390, 330, page, 0, u""},
            // The address book is an overlapped window of its own.
            {127, 1020, 644, WS_OVERLAPPED | WS_CLIPSIBLINGS | WS_CLIPCHILDREN | WS_SYSMENU, 0,
             u"Quillnet企业邮箱通讯录"},
            {129, 330, 160, popup, 0, u"关于Quillnet"},
            {130, 220, 130, popup, WS_EX_TOOLWINDOW | WS_EX_TOPMOST, u""},
            {132, 330, 230, popup, 0, u"Quillnet通讯录同步插件"},
            {134, 250, 130, popup, WS_EX_TOPMOST, u"提示"},
            {136, 330, 300, popup, 0, u"服务器设置"},
            {139, 290, 140, popup, 0, u"同步web联系人"},
            {143, 10, 10, WS_POPUP, WS_EX_TOOLWINDOW, u"AB_NULLDLG"},
            {145, 23, 23, WS_CHILD | WS_CLIPSIBLINGS, 0, u"KX联系人"},
        };
        for (const auto& t : templates) RegisterDialogTemplate(t);
    });
}
