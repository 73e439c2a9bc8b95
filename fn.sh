lock_wait=600
update_package_lists() {
    local deadline=$((SECONDS + lock_wait))
    until apt-get -o DPkg::Lock::Timeout="$lock_wait" update -qq 2>"$errors"; do
        if ! grep -q 'Could not get lock' "$errors" || ((SECONDS >= deadline)); then
            cat "$errors" >&2
            return 1
        fi
        echo "Waiting for another apt to finish..."
        sleep 5
    done
    cat "$errors" >&2
}
