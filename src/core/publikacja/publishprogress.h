#pragma once

#include <QString>

namespace publikacja {

// How a publication on the caller's thread (PublishUpdates) shows that it is
// working; the command line ignores it. The main window does not publish on
// its own thread: it follows a PublishTask instead.
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
