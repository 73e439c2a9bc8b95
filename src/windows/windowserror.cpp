#include "windowserror.h"

#include <cerrno>

#include <windows.h>

std::u16string windowsReason(unsigned long number)
{
    switch (number) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
        return u"ファイルまたはフォルダーがありません";
    case ERROR_ACCESS_DENIED:
        return u"アクセスが許可されていません";
    case ERROR_BAD_EXE_FORMAT:
    case ERROR_EXE_MACHINE_TYPE_MISMATCH:
        return u"実行できる形式のプログラムではありません";
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
        return u"ディスクに空きがありません";
    case ERROR_WRITE_PROTECT:
        return u"書き込みが禁止されています";
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
        return u"ほかのプログラムがファイルを使っています";
    case ERROR_INVALID_NAME:
    case ERROR_FILENAME_EXCED_RANGE:
        return u"名前が正しくないか、長すぎます";
    }
    return u"Windows のエラー " + decimal(number);
}

std::u16string watchErrorText(const Error &error)
{
    using What = Error::What;
    const std::u16string reason = windowsReason(static_cast<unsigned long>(error.number));
    switch (error.what) {
    case What::EncoderNotStartable:
        return u"エンコーダーを起動できません: " + error.name + u'\n' + reason;
    case What::OutputLockUnavailable:
        return u"出力ファイルを守るロックを作れません: " + reason;
    case What::OutputFolderUnwritable:
        return u"出力ファイルのフォルダーに書き込めません: " + reason;
    case What::OutputNotReplaced:
        return u"出力ファイルを置き換えられません: " + reason;
    case What::EncoderExited:
        return u"エンコーダーが失敗しました: " + errorText(error);
    default:
        return errorText(error);
    }
}

Error lastWindowsError(Error::What what, std::u16string name)
{
    return {what, static_cast<int>(GetLastError()), std::move(name)};
}

int errnoFor(unsigned long number)
{
    switch (number) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
        return ENOENT;
    case ERROR_ACCESS_DENIED:
        return EACCES;
    case ERROR_BAD_EXE_FORMAT:
    case ERROR_EXE_MACHINE_TYPE_MISMATCH:
        return ENOEXEC;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
        return ENOSPC;
    }
    return EIO;
}
