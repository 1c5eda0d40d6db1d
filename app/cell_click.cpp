// Placeholder: cell clicks.
#include "app/app.h"
void on_cell_clicked(int) {}
