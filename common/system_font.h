#pragma once

namespace ui {
class Form;
}

namespace SystemFont {

// Gives the form's controls the form's typeface at no less than its size, after capping the
// form's own font at 9 points. Controls that follow their parent's font are left alone; a
// larger size, the style and the colour of a control stay as they are.
void ApplySystemFont(ui::Form& window);

} // namespace SystemFont
