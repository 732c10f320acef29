// The program's state as the automation prints it: one JSON object of what the speaker and the
// audience see, with the field names the end-to-end checks read.
#pragma once

#include <QJsonObject>

class Application;

namespace StateSnapshot {

QJsonObject state(Application& app);
// The screens, the output chooser's items, its selection and caption, and the stored choice.
QJsonObject screens(Application& app);

} // namespace StateSnapshot
