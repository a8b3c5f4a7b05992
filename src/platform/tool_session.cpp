#include "platform/tool_session.h"

#include <QGuiApplication>

#include <iostream>

namespace platform {

struct ToolSession::Impl
{
    Impl(int& argc, char** argv)
        : app(argc, argv)
    { }
    QGuiApplication app;
};

ToolSession::ToolSession(int& argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& message) {
        if (type == QtCriticalMsg || type == QtFatalMsg)
            std::cerr << message.toStdString() << '\n';
    });
    d = std::make_unique<Impl>(argc, argv);
}

ToolSession::~ToolSession() = default;

} // namespace platform
