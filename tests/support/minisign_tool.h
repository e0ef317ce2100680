#pragma once

#include "tests/support/run_command.h"
#include "tests/support/temp_dir.h"

#include <string>

namespace testing_support {

/// A key pair made by the real minisign (without a password), in `dir`.
struct MinisignKey {
    std::string publicFile; // the .pub file
    std::string secretFile;
    std::string publicLine; // the .pub file's second line, as UpdatePublicKey= holds it

    static MinisignKey make(const TempDir& dir, const std::string& name)
    {
        MinisignKey key{dir.file(name + ".pub"), dir.file(name + ".key"), {}};
        const auto made = runCommand("minisign -G -W -f -p '" + key.publicFile + "' -s '" +
                                     key.secretFile + "' >/dev/null 2>&1");
        if (made.exitCode != 0)
            throw std::runtime_error("minisign -G failed: is minisign installed?");
        const std::string pub = readFile(key.publicFile);
        const auto start = pub.find('\n') + 1;
        key.publicLine = pub.substr(start, pub.find('\n', start) - start);
        return key;
    }

    /// The .minisig the real `minisign -S` writes for `file` with the trusted
    /// comment `comment`; `legacy` makes a signature of the file itself
    /// rather than of its hash.
    std::string sign(const std::string& file, const std::string& comment, bool legacy = false) const
    {
        const std::string signature = file + ".minisig";
        const auto signedIt = runCommand("minisign -S " + std::string(legacy ? "-l " : "") +
                                         "-s '" + secretFile + "' -m '" + file + "' -x '" +
                                         signature + "' -t '" + comment + "' >/dev/null 2>&1");
        if (signedIt.exitCode != 0)
            throw std::runtime_error("minisign -S failed");
        return readFile(signature);
    }
};

} // namespace testing_support
