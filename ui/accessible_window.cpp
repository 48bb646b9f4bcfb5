#include "accessible_window.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QSet>
#include <QString>
#include <QWidget>

namespace {

QSet<QString>& WindowClasses() {
  static QSet<QString> classes;
  return classes;
}

QAccessibleInterface* WindowFactory(const QString& className, QObject* object) {
  if (!object || !object->isWidgetType() || !WindowClasses().contains(className)) return nullptr;
  return new QAccessibleWidget(static_cast<QWidget*>(object), QAccessible::Window);
}

}  // namespace

void ReportAsWindow(const char* className) {
  static const bool installed = [] {
    QAccessible::installFactory(WindowFactory);
    return true;
  }();
  Q_UNUSED(installed);
  WindowClasses().insert(QString::fromLatin1(className));
}
