#include "gui/ServerDialogRefresh.h"

#include "gui/ServerChannelsDialog.h"
#include "gui/ServerChatDialog.h"
#include "gui/ServerFingerDialog.h"
#include "gui/ServerVariablesDialog.h"

namespace velmorak::gui {

void refreshServerDialog(QWidget* dialog)
{
    if (auto* chat = dynamic_cast<ServerChatDialog*>(dialog))
        chat->refresh();
    else if (auto* channels = dynamic_cast<ServerChannelsDialog*>(dialog))
        channels->refresh();
    else if (auto* variables = dynamic_cast<ServerVariablesDialog*>(dialog))
        variables->refresh();
    else if (auto* finger = dynamic_cast<ServerFingerDialog*>(dialog))
        finger->refresh();
}

} // namespace velmorak::gui
