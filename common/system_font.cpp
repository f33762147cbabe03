#include "common/system_font.h"

#include <algorithm>

#include "ui/form.h"

namespace SystemFont {

void ApplySystemFont(ui::Form& window)
{
    constexpr int kLargestPoints = 9;
    window.font.points = std::min(window.font.points, kLargestPoints);
    for (ui::Component* component : window.Components()) {
        auto* control = dynamic_cast<ui::Control*>(component);
        if (!control || control->parentFont)
            continue;
        control->font.face = window.font.face;
        control->font.points = std::max(control->font.points, window.font.points);
    }
    window.Refresh();
}

} // namespace SystemFont
