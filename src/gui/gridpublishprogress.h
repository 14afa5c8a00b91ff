#pragma once

#include "publikacja/publishprogress.h"

class RunController;

// Publication's progress as the main window shows it: the grid hidden, the
// step text in the caption of the panel behind it, painted at once.
class GridPublishProgress : public publikacja::PublishProgress
{
public:
    explicit GridPublishProgress(RunController& run) : m_run(run) {}

    void setGridVisible(bool visible) override;
    void setCaption(const QString& caption) override;

private:
    RunController& m_run;
};
