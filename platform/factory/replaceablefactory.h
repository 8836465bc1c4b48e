#ifndef REPLACEABLEFACTORY_H
#define REPLACEABLEFACTORY_H

#include <functional>
#include <memory>

// The maker behind a platform interface's create(): the real backend, unless a test has put in a maker of its own
// (a fake). Set up by tests before the code under test runs; not for use from several threads at once.
template<typename Interface>
class ReplaceableFactory
{
public:
    using Factory = std::function<std::unique_ptr<Interface>()>;

    explicit ReplaceableFactory(Factory standard)
        : m_standard(std::move(standard))
    { }

    std::unique_ptr<Interface> create() const { return m_replacement ? m_replacement() : m_standard(); }
    // An empty maker brings back the standard one.
    void replace(Factory replacement) { m_replacement = std::move(replacement); }

private:
    Factory m_standard;
    Factory m_replacement;
};

#endif // REPLACEABLEFACTORY_H
