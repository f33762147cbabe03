#pragma once

#include <string>

#include "ui/component.h"

namespace ui {

// A visible part of a window. Kinds without a caption (pictures, track bars, combo boxes,
// progress bars) are controls of their own kind.
class Control : public Component {
public:
    using Component::Component;
};

// A control that shows one standing text.
class TextControl : public Control, public Captioned {
public:
    using Control::Control;
    const std::wstring& Text() const override { return text; }
    void SetText(const std::wstring& newText) override { text = newText; }

private:
    std::wstring text;
};

class Label : public TextControl {
public:
    using TextControl::TextControl;
};

class Panel : public TextControl {
public:
    using TextControl::TextControl;
};

class Button : public TextControl {
public:
    using TextControl::TextControl;
};

// A single-line edit box.
class Edit : public TextControl {
public:
    using TextControl::TextControl;
};

// A multi-line text box; setting its text replaces its whole content.
class Memo : public TextControl {
public:
    using TextControl::TextControl;
};

class MenuItem : public Component, public Captioned {
public:
    using Component::Component;
    const std::wstring& Text() const override { return text; }
    void SetText(const std::wstring& newText) override { text = newText; }

private:
    std::wstring text;
};

// A top-level window; its text is its title, and its name is its caption-table section.
class Form : public TextControl {
public:
    explicit Form(std::wstring formName) : TextControl(nullptr, std::move(formName)) {}
};

} // namespace ui
