#include "app/OstrelApp.h"

int main(int argc, char **argv)
{
    return OstrelApp::main(argc, argv);
}
