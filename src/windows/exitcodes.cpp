#include "exitcodes.h"

WatchExit exitCodeFor(const Error &error)
{
    using What = Error::What;
    switch (error.what) {
    case What::EncoderNotStartable:
    case What::EncoderExited:
    case What::EncoderWroteNothing:
        return EncoderFailed;
    case What::OutputIsDevice:
    case What::OutputIsFolder:
    case What::OutputIsLink:
    case What::OutputIsInput:
    case What::OutputLockBusy:
        return OutputRefused;
    default:
        return WatcherFailed;
    }
}
