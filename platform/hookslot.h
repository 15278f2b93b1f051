#pragma once
// Hooks that an owner installs into a lower library (a provider function, the
// object that stands for the open window) and takes out again when it goes.
// A HookSlot keeps the installations in order; the newest one is in use. A
// HookHandle removes exactly its own installation when it is destroyed, so
// an owner never clears what another installed, and owners may go in any
// order: what each replaced comes back once no newer installation is left.

#include <QtGlobal>
#include <algorithm>
#include <functional>
#include <utility>
#include <vector>

// Removes one installation when it goes; empty when default-constructed.
class [[nodiscard]] HookHandle
{
public:
    HookHandle() = default;
    explicit HookHandle(std::function<void()> remove)
        : m_remove(std::move(remove))
    { }
    HookHandle(HookHandle &&other) noexcept
        : m_remove(std::exchange(other.m_remove, {}))
    { }
    HookHandle &operator=(HookHandle &&other) noexcept
    {
        if (this != &other) {
            Reset();
            m_remove = std::exchange(other.m_remove, {});
        }
        return *this;
    }
    HookHandle(const HookHandle &) = delete;
    HookHandle &operator=(const HookHandle &) = delete;
    ~HookHandle() { Reset(); }

    // Takes the installation out now.
    void Reset()
    {
        if (auto remove = std::exchange(m_remove, {}))
            remove();
    }

private:
    std::function<void()> m_remove;
};

template<class T> class HookSlot
{
public:
    // Puts the value in use above the present one.
    HookHandle Install(T value)
    {
        const quint64 id = ++m_next;
        m_stack.emplace_back(id, std::move(value));
        return HookHandle([this, id] {
            m_stack.erase(std::remove_if(m_stack.begin(), m_stack.end(),
                                         [id](const auto &e) { return e.first == id; }),
                          m_stack.end());
        });
    }
    // The value in use; a default T (no hook) when nothing is installed.
    T Current() const { return m_stack.empty() ? T() : m_stack.back().second; }
    const T *CurrentPtr() const { return m_stack.empty() ? nullptr : &m_stack.back().second; }

private:
    std::vector<std::pair<quint64, T>> m_stack;
    quint64 m_next = 0;
};
