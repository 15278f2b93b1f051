#pragma once
// The page shown in an embedded browser as the marketplace download reads
// it: an element's inner HTML by id, the body's HTML, the elements of one tag
// in document order with their inner and outer HTML and href, a click on one
// of them, and a count of finished page loads. Every read can fail (no page
// yet, a time-out, the window gone): nullopt then. The browser window
// implements it over its JavaScript bridge; tests implement it over text.

#include <QString>
#include <optional>
#include <vector>

struct PageElement
{
    QString tagName;
    QString innerHtml;
    QString outerHtml;
    QString href;
};

class BrowserDocument
{
public:
    virtual ~BrowserDocument() = default;

    // innerHTML of getElementById(id); "" when the page has no such element.
    virtual std::optional<QString> ElementInnerHtml(const QString &id) = 0;
    // The HTML of the document's body.
    virtual std::optional<QString> BodyHtml() = 0;
    // The elements whose tagName equals tag without regard to case.
    virtual std::optional<std::vector<PageElement>> Elements(const QString &tag) = 0;
    // Clicks the n-th element of that tag (counted as Elements counts) when
    // its inner HTML still equals innerHtml; true when clicked.
    virtual bool Click(const QString &tag, int n, const QString &innerHtml) = 0;
    // Page loads finished so far; a navigation started by a click shows as a
    // rise of this count.
    virtual int LoadsFinished() const = 0;
};
