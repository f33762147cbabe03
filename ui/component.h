#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace ui {

// A named part of a window. Every component has an owner (the form it belongs to, or none
// for a form) and is found by its name through that owner; texts and fonts are applied by
// name. Components live as members of their form: they join the owner's list when they
// are constructed and leave it when they are destroyed, so the owner never holds a stale
// pointer and owns nothing itself.
class Component {
public:
    Component(Component* owner, std::wstring name);
    virtual ~Component();
    Component(const Component&) = delete;
    Component& operator=(const Component&) = delete;

    const std::wstring& Name() const { return name; }
    Component* Owner() const { return owner; }

    // The components this one owns, in the order they were created.
    const std::vector<Component*>& Components() const { return components; }

    // The owned component of that name, ignoring the case of A to Z; null if none.
    Component* FindComponent(std::wstring_view componentName) const;

private:
    Component* owner;
    std::wstring name;
    std::vector<Component*> components;
};

// The kinds whose standing text comes from the caption table: labels, panels, buttons,
// menu items, memos, edit boxes, and a form's title. Every other kind has no caption.
class Captioned {
public:
    virtual const std::wstring& Text() const = 0;
    virtual void SetText(const std::wstring& text) = 0;

protected:
    ~Captioned() = default;
};

} // namespace ui
