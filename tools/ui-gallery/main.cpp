// ui-gallery: renders a layout offscreen to a PNG, for review and tests.
//   ui-gallery LAYOUT -o out.png [--archive FILE] [--dir FOLDER]... [--size WxH]
#include "model/ArchiveResourceProvider.h"
#include "model/FolderResourceProvider.h"
#include "ui/toolkit/HostWnd.h"
#include "ui/toolkit/UiApp.h"

#include <CLI/CLI.hpp>
#include <QApplication>
#include <QPixmap>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <vector>

int main(int argc, char** argv)
{
    CLI::App cli{"Renders a window layout offscreen to a PNG image."};
    std::string layout;
    std::string output;
    std::string archive;
    std::vector<std::string> dirs;
    std::string size;
    std::string uidef = "uidef:xml_init";
    std::string translator = "translator:lang_cn";
    cli.add_option("layout", layout, "layout name, e.g. LAYOUT:XML_MAINWND or XML_MAINWND")->required();
    cli.add_option("-o,--output", output, "PNG file to write")->required();
    cli.add_option("--archive", archive, "UI archive (ZIP) searched first");
    cli.add_option("--dir", dirs, "folders laid out as <TYPE>/<name>, searched after the archive");
    cli.add_option("--size", size, "window size WxH instead of the layout's");
    cli.add_option("--uidef", uidef, "UI definition to load");
    cli.add_option("--translator", translator, "translation table to load");
    CLI11_PARSE(cli, argc, argv);

    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication qt(argc, argv);
    vy::CUiApp app;

    vy::CArchiveResourceProvider zip;
    std::vector<std::unique_ptr<vy::CFolderResourceProvider>> folders;
    for (auto it = dirs.rbegin(); it != dirs.rend(); ++it) {
        folders.push_back(std::make_unique<vy::CFolderResourceProvider>(*it));
        app.AddResourceProvider(*folders.back());
    }
    if (!archive.empty()) {
        if (!zip.Open(archive)) {
            std::fprintf(stderr, "ui-gallery: cannot open archive %s\n", archive.c_str());
            return 1;
        }
        app.AddResourceProvider(zip);
    }
    app.LoadUiDef(uidef);
    app.LoadTranslator(translator);
    app.SetMessageBoxTemplate("LAYOUT:XML_MSGBOX");

    if (layout.find(':') == std::string::npos)
        layout = "LAYOUT:" + layout;
    vy::SHostWnd wnd(layout);
    if (!wnd.Create()) {
        std::fprintf(stderr, "ui-gallery: layout %s not found or not valid\n", layout.c_str());
        return 1;
    }
    wnd.SendMessage(vy::WM_INITDIALOG, 0, 0);
    if (!size.empty()) {
        int w = 0;
        int h = 0;
        if (std::sscanf(size.c_str(), "%dx%d", &w, &h) != 2 || w <= 0 || h <= 0) {
            std::fprintf(stderr, "ui-gallery: bad size %s\n", size.c_str());
            return 2;
        }
        wnd.setFixedSize(w, h);
    }
    wnd.show();
    QApplication::processEvents();
    QPixmap image = wnd.grab();
    if (image.isNull() || !image.save(QString::fromStdString(output), "PNG")) {
        std::fprintf(stderr, "ui-gallery: cannot write %s\n", output.c_str());
        return 1;
    }
    std::printf("%s: %dx%d\n", output.c_str(), image.width(), image.height());
    wnd.DestroyWindow();
    return 0;
}
