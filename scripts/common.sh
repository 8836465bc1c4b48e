# Sourced by the scripts: the generator and the timing of each step, so a long first run shows where it is.

# Ninja's no-op check takes milliseconds where make's takes seconds. A tree configured earlier with another
# generator is configured anew (its cache names the old one).
use_ninja() {
    local dir=$1
    # A tree configured for Ninja has its build.ninja from the first configure on.
    if [ -f "$dir/CMakeCache.txt" ] && ! [ -f "$dir/build.ninja" ]; then
        echo "Configuring $dir anew for Ninja"
        rm -rf "$dir/CMakeCache.txt" "$dir/CMakeFiles"
    fi
}

# step NAME COMMAND...: runs the command, then prints how long it took.
step() {
    local name=$1 start=$SECONDS
    shift
    echo "== $name ..."
    "$@"
    echo "== $name: $((SECONDS - start)) s"
}

# quiet COMMAND...: runs the command without its standard output.
quiet() {
    "$@" >/dev/null
}
