#pragma once

#include <any>
#include <optional>
#include <typeindex>
#include <unordered_map>

namespace kestrion {

// The values that the focused views of the active window offer to the menu commands, keyed by
// type: a key is a type with a nested `Value` (FocusedZoomKey with ZoomAction, ...). A view that
// wants to offer nothing under a key simply does not set it; a missing entry reads as none.
class FocusedValues {
public:
    template <class Key> void set(typename Key::Value value) { m_values[typeid(Key)] = std::move(value); }
    template <class Key> void remove() { m_values.erase(typeid(Key)); }

    template <class Key> std::optional<typename Key::Value> get() const
    {
        auto it = m_values.find(typeid(Key));
        if (it == m_values.end())
            return std::nullopt;
        if (const auto* value = std::any_cast<typename Key::Value>(&it->second))
            return *value;
        return std::nullopt;
    }

    template <class Key> bool contains() const { return m_values.contains(typeid(Key)); }
    bool isEmpty() const { return m_values.empty(); }

private:
    std::unordered_map<std::type_index, std::any> m_values;
};

} // namespace kestrion
