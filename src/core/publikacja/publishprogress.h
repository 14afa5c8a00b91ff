#pragma once

#include <QString>

namespace publikacja {

// How publication shows that it is working. The main window hides its
// record grid so that the panel behind it shows, writes each step text into
// the panel's caption and lets pending events through so that the text is
// painted; the command line ignores it.
class PublishProgress
{
public:
    virtual ~PublishProgress() = default;
    virtual void setGridVisible(bool visible) = 0;
    virtual void setCaption(const QString& text) = 0;
};

class NoPublishProgress : public PublishProgress
{
public:
    void setGridVisible(bool) override {}
    void setCaption(const QString&) override {}
};

} // namespace publikacja
