#include "app/Dialog.h"

#include "app/DataExchange.h"

namespace kestrovane {

bool Dialog::OnInitDialog() {
    UpdateData(false);
    return true;
}

void Dialog::OnCommand(int controlId) {
    if (DispatchBoundCommand(controlId)) return;
    if (controlId == kIdOk) {
        OnOK();
    } else if (controlId == kIdCancel) {
        OnCancel();
    }
}

void Dialog::OnOK() {
    if (!UpdateData(true)) return;  // the dialog stays open on a bad value
    Window().EndDialog(kIdOk);
}

void Dialog::OnCancel() {
    Window().EndDialog(kIdCancel);
}

bool Dialog::UpdateData(bool saveAndValidate) {
    DataExchange exchange(Window(), saveAndValidate);
    DoDataExchange(exchange);
    return !exchange.Failed();
}

}  // namespace kestrovane
