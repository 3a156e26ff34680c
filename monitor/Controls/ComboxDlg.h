// The skinned editable drop-down list: an edit field with a drop arrow and a
// list that opens below it. Each entry of the list has a delete mark; a click
// on it asks the parent to delete the entry (WM_EX_DELETEITEM with its index).
// The parent completes what is typed with Complete (or by itself with
// FindPrefix, SetCurSel and SetEditSel); LastKeyDeleted tells whether the
// latest edit was Backspace or Delete, after which nothing is completed.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "monitor/Common/SkinPackImage.h"
#include "monitor/Controls/EditEn.h"

class CComboxDlg;

// The open list of a CComboxDlg, a popup below it.
class CComboxList : public CSkinChild {
public:
    explicit CComboxList(CComboxDlg& combo) : m_combo(combo) {}
    bool Open(plat::HWND owner, const plat::RECT& screenRect);
    int Highlighted() const { return m_highlight; }
    void SetHighlight(int index);
    // The row under a client point, and whether the point is on its delete mark.
    int RowAt(int y) const;
    bool OnDeleteMark(int x) const;

    static constexpr int kRowHeight = 24, kMaxRows = 8, kMarkWidth = 22;

protected:
    const char16_t* ClassName() const override { return u"ComboLBox"; }
    plat::LRESULT OnMessage(plat::UINT message, plat::WPARAM wParam, plat::LPARAM lParam) override;
    void Paint(plat::Canvas& dc, const plat::RECT& client) override;

private:
    CComboxDlg& m_combo;
    int m_highlight = -1;
    bool m_markHot = false;
};

class CComboxDlg : public CSkinChild {
public:
    CComboxDlg();
    ~CComboxDlg() override;
    bool Create(plat::HWND parent, int id, int x, int y, int width, int height);

    int AddString(std::u16string_view text);
    int InsertString(int index, std::u16string_view text);
    bool DeleteString(int index);
    void ResetContent();
    int GetCount() const { return int(m_items.size()); }
    std::u16string GetLBText(int index) const;
    int GetCurSel() const { return m_curSel; }
    // Shows the entry in the field, all of it selected; -1 clears the choice.
    void SetCurSel(int index);
    // The first entry that begins with `prefix`, or -1.
    int FindPrefix(std::u16string_view prefix, bool caseSensitive) const;
    int FindStringExact(std::u16string_view text) const;

    std::u16string GetText() const { return m_edit.GetText(); }
    void SetText(std::u16string_view text) { m_edit.SetText(text); }
    void SetEditSel(int start, int end) { m_edit.SetSel(start, end); }
    void GetEditSel(int& start, int& end) const {
        start = m_edit.SelStart();
        end = m_edit.SelEnd();
    }
    void LimitText(int limit) { m_edit.SetLimitText(limit); }
    CEditEn& Edit() { return m_edit; }

    void ShowDropDown(bool show);
    bool GetDroppedState() const;
    CComboxList* List() const { return m_list.get(); }
    bool LastKeyDeleted() const { return m_edit.LastEditWasDeletion(); }
    // Completion of the typed text: the first entry that begins with it
    // (trimmed, case-sensitive) is shown; when the caret stood at the end, the
    // part beyond the typed text is selected so that typing on replaces it,
    // otherwise the caret stays. The entry, or -1 (also after a deletion).
    int Complete();

    // Picks an entry as a click on the list does: chosen, shown, reported.
    void Choose(int index);
    void RequestDelete(int index);

protected:
    const char16_t* ClassName() const override { return u"ComboBox"; }
    bool PreTranslateMessage(plat::MSG& msg) override;
    plat::LRESULT OnMessage(plat::UINT message, plat::WPARAM wParam, plat::LPARAM lParam) override;
    void Paint(plat::Canvas& dc, const plat::RECT& client) override;

private:
    plat::RECT ArrowRect() const;

    CEditEn m_edit;
    std::unique_ptr<CComboxList> m_list;
    std::vector<std::u16string> m_items;
    int m_curSel = -1;
    bool m_quiet = false;  // programmatic changes are not reported
    bool m_arrowHot = false;
    PackImage m_arrow;
};
