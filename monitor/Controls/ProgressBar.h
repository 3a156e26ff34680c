// The skinned progress bar of the sync progress window: the track and the
// filled part drawn from the skin's "progress.png" (track above, fill below),
// their rounded ends kept unscaled. Positions are clamped to the range.
#pragma once

#include "monitor/Common/SkinPackImage.h"
#include "monitor/Controls/SkinChild.h"

class CProgressBar : public CSkinChild {
public:
    CProgressBar();
    bool Create(plat::HWND parent, int id, const plat::RECT& r);

    void SetRange(int lower, int upper);
    int Lower() const { return m_lower; }
    int Upper() const { return m_upper; }
    // Returns the previous position.
    int SetPos(int pos);
    int GetPos() const { return m_pos; }
    // Width in pixels of the filled part.
    int FilledWidth() const;

protected:
    const char16_t* ClassName() const override { return u"msctls_progress32"; }
    void Paint(plat::Canvas& dc, const plat::RECT& client) override;

private:
    int m_lower = 0, m_upper = 100, m_pos = 0;
    PackImage m_image;
};
