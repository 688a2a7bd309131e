// Load requests: another process asks the shell to create an object of a registered
// in-process server inside the shell's own process. The module's activation sends one in
// place of SHLoadInProc, which under Wine would create the object in the caller instead.
#include "standin/standin.h"
#include "install/loadrequest_shared.h"

// The object is made and let go at once: the server's class object and whatever it created
// on the way (a window, for one) stay, as with the shell's own loading.
static HRESULT load_in_process(REFCLSID clsid)
{
    IUnknown *object = NULL;
    HRESULT result =
        CoCreateInstance(clsid, NULL, CLSCTX_INPROC_SERVER, IID_IUnknown, (void **)&object);
    if (SUCCEEDED(result) && object)
        object->Release();
    return result;
}

LRESULT HandleLoadRequest(const COPYDATASTRUCT *request)
{
    if (!request || request->dwData != QV_LOADREQUEST_TAG)
        return 0; // not ours: answer as an unhandled WM_COPYDATA
    if (request->cbData != sizeof(CLSID) || !request->lpData)
        return E_INVALIDARG;
    CLSID clsid;
    CopyMemory(&clsid, request->lpData, sizeof(clsid));
    HRESULT result = load_in_process(clsid);
    LogLine("qvdesktop: load request for {%08lX-...}: 0x%08lX", clsid.Data1, (unsigned long)result);
    return result;
}
