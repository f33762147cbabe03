#include "ui/component.h"

#include <algorithm>

#include "ui/text.h"

namespace ui {

Component::Component(Component* ownerComponent, std::wstring componentName)
    : owner(ownerComponent), name(std::move(componentName))
{
    if (owner)
        owner->components.push_back(this);
}

Component::~Component()
{
    if (owner)
        std::erase(owner->components, this);
    // Members are destroyed before their form's base part, so nothing owned is left here;
    // anything that is, outlives us without an owner rather than pointing at a dead one.
    for (Component* component : components)
        component->owner = nullptr;
}

Component* Component::FindComponent(std::wstring_view componentName) const
{
    const auto found = std::find_if(components.begin(), components.end(),
                                    [&](const Component* c) { return SameText(c->name, componentName); });
    return found == components.end() ? nullptr : *found;
}

} // namespace ui
