#include "MeterApp.h"

int main(int argc, char** argv) {
    vemla::CMeterApp app(argc, argv);
    return app.Run();
}
