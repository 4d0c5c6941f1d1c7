#pragma once
// The file-type keys of the system registry as read-only views over the
// freedesktop.org data, so that the icon and launch lookups keep reading
// "keys" and "default values":
//   .ext                         default value: the MIME type that names the extension
//   <type>\DefaultIcon           "<icon file at 32 px>,0"
//   <type>\Shell\Open\Command    the whole command line of the type's default application,
//                                in the form of command_line.h: "\"<program>\" \"<argument>\" ..."
// Under the local-machine root the same keys live below "Software\Classes",
// read without the user's own files.
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "platform/file_types_xdg.h"
#include "platform/icon_theme.h"

namespace quellmark {

enum class TRootKey { ClassesRoot, LocalMachine };

// Anything that answers file-type keys: the freedesktop views, or a fixed table in tests.
class TFileTypeKeys {
public:
    virtual ~TFileTypeKeys() = default;
    // The default value of `key` (a backslash path below `root`, letter case
    // ignored), "" when the key has none, nullopt when there is no such key.
    virtual std::optional<std::string> DefaultValue(TRootKey root, std::string_view key) const = 0;
};

// A registry cursor over file-type keys, shaped like the registry class the
// lookups were written against: open a key, read its default value.
class TReadOnlyRegistry {
public:
    explicit TReadOnlyRegistry(const TFileTypeKeys& keys, TRootKey root = TRootKey::ClassesRoot);

    TRootKey RootKey() const { return root_; }
    void SetRootKey(TRootKey root);

    // A key with a leading "\" starts at the root, any other at the open key.
    // Returns whether the key exists; when it does it becomes the open key.
    bool OpenKeyReadOnly(std::string_view key);
    void CloseKey();
    bool KeyExists(std::string_view key) const;
    // The named value of the open key; "" (the default value) is the only one
    // these views hold. Empty when no key is open or the value is missing.
    std::string ReadString(std::string_view name) const;

private:
    std::string Resolve(std::string_view key) const;

    const TFileTypeKeys& keys_;
    TRootKey root_;
    std::optional<std::string> current_;  // path of the open key below the root
};

// The views over the shared MIME database, the icon themes and the default
// applications of one set of base directories.
class TFreedesktopFileTypes : public TFileTypeKeys {
public:
    // `iconTheme` empty: the theme the user chose in the GTK settings, else
    // "Adwaita". `iconPixels`: the size in pixels of the icon files a type's
    // DefaultIcon names (more than kLargeIconSize on a scaled screen).
    explicit TFreedesktopFileTypes(const freedesktop::BaseDirs& dirs, std::string iconTheme = {},
                                   int iconPixels = kLargeIconSize);
    ~TFreedesktopFileTypes() override;
    // The views of the current environment.
    static std::shared_ptr<const TFreedesktopFileTypes> FromEnvironment(std::string iconTheme = {},
                                                                        int iconPixels = kLargeIconSize);

    std::optional<std::string> DefaultValue(TRootKey root, std::string_view key) const override;

private:
    class View;
    std::unique_ptr<View> classes_;  // with the user's own files
    std::unique_ptr<View> machine_;  // without them
};

}  // namespace quellmark
