#include "gridpublishprogress.h"

#include "przebieg/runcontroller.h"

#include <QCoreApplication>

void GridPublishProgress::setGridVisible(bool visible)
{
    m_run.setGridVisible(visible);
    QCoreApplication::processEvents();
}

void GridPublishProgress::setCaption(const QString& caption)
{
    m_run.setPanelCaption(caption);
    QCoreApplication::processEvents();
}
