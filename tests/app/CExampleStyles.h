// The example bank's styles, each with the facade the window makes for it, and its program list.
#pragma once

#include "bank/chunk/CStyleBank.h"
#include "bank/facade/CNstEditIfc.h"
#include "shell/CExtProgList.h"

#include <fstream>
#include <memory>
#include <vector>

// Reads RY7_SOURCE_DIR/examples/demo.sty and its ExtProgList.txt; `styles` stays empty when the bank
// cannot be read.
struct CExampleStyles {
    CStyleBank bank;
    CExtProgList programs;
    std::vector<std::unique_ptr<CNstEditIfc>> styles;

    CExampleStyles()
    {
        if (bank.OpenFile(RY7_SOURCE_DIR "/examples/demo.sty") != BankResult::Ok)
            return;
        std::ifstream list(RY7_SOURCE_DIR "/examples/ExtProgList.txt");
        programs.Read(list, [](const std::string&, const std::string&) {});
        for (int k = 0; k < bank.StyleCount(); ++k) {
            const std::vector<uint8_t> content = bank.SelectStyle(k)->content;
            styles.push_back(std::make_unique<CNstEditIfc>(content.data(), content.size()));
        }
    }
};
