// QuillnetM-PluginSrv: "/install", "/uninstall", or run as the service.
#include "service/ABService.h"

int main(int argc, char** argv) {
    CABService service;
    return service.Run(ArgumentTail(argc, argv));
}
