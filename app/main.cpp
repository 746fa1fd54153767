#include "MeterApp.h"

int main(int argc, char** argv) {
    QStringList args;
    for (int i = 0; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);
    const auto parsed = vemla::ParseCommandLine(args);
    if (const int* exitCode = std::get_if<int>(&parsed))
        return *exitCode;
    vemla::CMeterApp app(argc, argv);
    return app.Run(std::get<vemla::AppOptions>(parsed));
}
