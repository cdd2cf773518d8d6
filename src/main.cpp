// Quorvelindaxtor: defend the domed base against the spores.
#include "shell/entry.h"

int main() {
    return gameMain();
}
