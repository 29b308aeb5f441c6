#include "gui/app.h"

int main(int argc, char** argv) {
  return vidloom::gui::RunDesktop(argc, argv);
}
