#include "dialogs/SheetView.h"

#include <QDialog>

// Placeholder until the dialogs are built.
QDialog *makeSheetView(Sheet, RepoController *, QWidget *parent) { return new QDialog(parent); }
