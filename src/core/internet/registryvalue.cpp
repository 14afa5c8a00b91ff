#include "internet/registryvalue.h"

#ifdef Q_OS_WIN
#include <vector>
#include <windows.h>
#endif

QString LocalMachineRegistryText(const QString& key, const QString& valueName)
{
#ifdef Q_OS_WIN
    const std::wstring k = key.toStdWString();
    const std::wstring v = valueName.toStdWString();
    // RRF_RT_REG_SZ refuses numbers and lists: only a text is an answer.
    DWORD bytes = 0;
    if (RegGetValueW(HKEY_LOCAL_MACHINE, k.c_str(), v.c_str(), RRF_RT_REG_SZ, nullptr, nullptr,
                     &bytes) != ERROR_SUCCESS ||
        bytes == 0)
        return {};
    std::vector<wchar_t> buffer(bytes / sizeof(wchar_t) + 1, L'\0');
    if (RegGetValueW(HKEY_LOCAL_MACHINE, k.c_str(), v.c_str(), RRF_RT_REG_SZ, nullptr,
                     buffer.data(), &bytes) != ERROR_SUCCESS)
        return {};
    return QString::fromWCharArray(buffer.data());
#else
    Q_UNUSED(key);
    Q_UNUSED(valueName);
    return {};
#endif
}
