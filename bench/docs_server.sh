# Sourced by the docs-crawl benchmarks: serves Debian's documentation from
# nginx on a free loopback port, until the sourcing script exits.
#   serve_docs WORKDIR   sets $port; http://127.0.0.1:$port/boost/ is
#                        libboost1.74-doc, /python/ python3.11-doc's HTML,
#                        /rust/ rust-doc's (the standard library's rustdoc)
# shellcheck shell=sh

serve_docs() {
    port=$(python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
    cat >"$1/nginx.conf" <<CONF
worker_processes 1;
pid $1/nginx.pid;
error_log $1/error.log;
events { worker_connections 1024; }
http {
    include /etc/nginx/mime.types;
    access_log off;
    client_body_temp_path $1;
    proxy_temp_path $1;
    fastcgi_temp_path $1;
    uwsgi_temp_path $1;
    scgi_temp_path $1;
    server {
        listen 127.0.0.1:$port;
        location /boost/ { alias /usr/share/doc/libboost1.74-doc/; }
        location /python/ { alias /usr/share/doc/python3.11/html/; }
        location /rust/ { alias /usr/share/doc/rust-doc/html/; }
    }
}
CONF
    nginx -c "$1/nginx.conf" -p "$1"
    tries=0
    until curl -sf -o /dev/null "http://127.0.0.1:$port/python/index.html"; do
        tries=$((tries + 1))
        [ $tries -lt 50 ] || { echo "nginx did not answer on port $port" >&2; exit 1; }
        sleep 0.1
    done
}
