#pragma once

#include "dialogs/Sheet.h"

class QDialog;
class QWidget;
class RepoController;

// The one way a dialog is built: a fresh dialog for the sheet value, with empty inputs,
// acting on the controller of the window that presents it.
QDialog *makeSheetView(Sheet sheet, RepoController *controller, QWidget *parent);
