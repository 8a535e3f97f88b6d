#include "view_app.h"

// The one application object, constructed before the program enters the framework.
CViewApp theApp;

int main(int argc, char** argv) {
    return AfxWinMain(argc, argv);
}
