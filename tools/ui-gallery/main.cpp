// ui-gallery: renders a layout offscreen to a PNG, for review and tests.
//   ui-gallery LAYOUT -o out.png [--archive FILE] [--dir FOLDER]... [--size WxH]
#include "model/ArchiveResourceProvider.h"
#include "model/FolderResourceProvider.h"
#include "ui/controls/CustomControls.h"
#include "ui/controls/VyEQ.h"
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
    std::string eqBands;
    cli.add_option("--eq-bands", eqBands,
                   "bands for every equaliser graph, \"gain@freq,...\" (q 1.7), the last one highlighted");
    CLI11_PARSE(cli, argc, argv);

    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication qt(argc, argv);
    vy::CUiApp app;
    vy::RegisterCustomControls(app);

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
    if (!eqBands.empty()) {
        // Bands as the effect page adds them: flat first, then the gains, so
        // the last band set is the one shown shaded with its markers.
        std::vector<std::pair<double, double>> bands;
        for (size_t start = 0; start < eqBands.size();) {
            size_t comma = eqBands.find(',', start);
            std::string item = eqBands.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
            double gain = 0;
            double freq = 0;
            if (std::sscanf(item.c_str(), "%lf@%lf", &gain, &freq) != 2 || freq <= 0) {
                std::fprintf(stderr, "ui-gallery: bad band %s\n", item.c_str());
                return 2;
            }
            bands.emplace_back(gain, freq);
            start = comma == std::string::npos ? eqBands.size() : comma + 1;
        }
        for (vy::VyEQ* eq : wnd.findChildren<vy::VyEQ*>()) {
            for (const auto& band : bands)
                eq->AddBand(0, band.second, 1.7);
            eq->Refresh();
            eq->ShowBandwidthMarkers();
            for (size_t i = 0; i < bands.size(); ++i)
                eq->SetBandGain(static_cast<int>(i), bands[i].first);
        }
    }
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
