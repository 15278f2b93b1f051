#pragma once
// What one printed waybill held: the contents of the page controls that
// carry one (input boxes with text, check boxes with a value other than 0,
// picture boxes with content), class by class in index order. The print
// engine collects a page as it prints it; the history stores the pages of a
// print as its records.

#include <QString>
#include <vector>

class PageControls;

struct PageContent
{
    qint64 id = 0; // the control's ID
    QString value;
    bool operator==(const PageContent &) const = default;
};
using PrintedPage = std::vector<PageContent>;

PrintedPage CollectPageContents(PageControls &page);
