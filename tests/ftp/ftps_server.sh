#!/usr/bin/env bash
# A throw-away FTPS server for the tests: vsftpd as a standalone listener on a free port of
# 127.0.0.1, explicit TLS required, serving FOLDER (read only) to the system user trevixftp.
# Makes a certificate authority and a server certificate for 127.0.0.1 in WORK (the test
# trusts WORK/ca.pem; WORK/self.pem is a self-signed one for the refusal case). Prints the
# port once the server listens, then runs until stdin reaches end of file.
# Needs root (vsftpd logs system users in). Usage: ftps_server.sh FOLDER WORK PASSWORD [self-signed]
set -euo pipefail
folder="$1" work="$2" password="$3" mode="${4:-}"
user=trevixftp
[ "$(id -u)" -eq 0 ] || { echo "ftps_server.sh must run as root" >&2; exit 3; }
command -v vsftpd >/dev/null || [ -x /usr/sbin/vsftpd ] || { echo "vsftpd is not installed" >&2; exit 3; }

# Tests run in parallel: one at a time touches the user database.
(
  flock 9
  if ! id "$user" >/dev/null 2>&1; then
    # vsftpd enters the home folder before local_root, so it must exist.
    useradd --system --no-create-home --home-dir / --shell /bin/sh "$user"
  fi
  echo "$user:$password" | chpasswd
) 9>/tmp/trevix-ftps-user.lock

cd "$work"
openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes -days 2 -subj "/CN=Trevix Test CA" \
  -keyout ca.key -out ca.pem -addext basicConstraints=critical,CA:TRUE >/dev/null 2>&1
openssl req -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes -subj "/CN=127.0.0.1" -keyout server.key -out server.csr >/dev/null 2>&1
printf 'subjectAltName=IP:127.0.0.1\n' > san.ext
openssl x509 -req -in server.csr -CA ca.pem -CAkey ca.key -CAcreateserial -days 2 \
  -extfile san.ext -out server.pem >/dev/null 2>&1
openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes -days 2 -subj "/CN=127.0.0.1" -addext subjectAltName=IP:127.0.0.1 \
  -keyout self.key -out self.pem >/dev/null 2>&1
cert=server.pem key=server.key
[ "$mode" = self-signed ] && cert=self.pem key=self.key

free_port() { /usr/bin/python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])'; }
port=$(free_port)
pasv=$(free_port)
mkdir -p empty
chmod 755 "$work" empty
chmod -R go+rX "$folder"
cat > vsftpd.conf <<CONF
listen=YES
listen_ipv6=NO
listen_address=127.0.0.1
listen_port=$port
background=NO
anonymous_enable=NO
local_enable=YES
write_enable=NO
local_root=$folder
chroot_local_user=YES
allow_writeable_chroot=YES
pasv_enable=YES
pasv_min_port=$pasv
pasv_max_port=$((pasv + 20))
ssl_enable=YES
force_local_logins_ssl=YES
force_local_data_ssl=YES
require_ssl_reuse=NO
ssl_tlsv1=YES
rsa_cert_file=$work/$cert
rsa_private_key_file=$work/$key
secure_chroot_dir=$work/empty
pam_service_name=vsftpd
seccomp_sandbox=NO
isolate=NO
isolate_network=NO
xferlog_enable=NO
use_localtime=NO
CONF
/usr/sbin/vsftpd "$work/vsftpd.conf" &
pid=$!
trap 'kill $pid 2>/dev/null; wait $pid 2>/dev/null' EXIT TERM
for _ in $(seq 1 100); do
  if (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null; then
    echo "$port"
    cat >/dev/null || true   # until the test closes our stdin
    exit 0
  fi
  kill -0 $pid 2>/dev/null || { echo "vsftpd did not start" >&2; exit 3; }
  sleep 0.05
done
echo "vsftpd did not listen on $port" >&2
exit 3
