# Sourced by the live benchmarks: two network namespaces $a and $b joined by a veth pair
# (vA 10.77.0.1 in $a, vB 192.168.77.1 in $b), no IPv6, fixed neighbours so that no ARP
# frame crosses and the kernel counters count only IP traffic. Removed on exit.
make_namespace_pair() {
  ip netns add "$a"
  ip netns add "$b"
  ip -n "$a" link add vA address 02:00:00:77:00:01 type veth peer name vB address 02:00:00:77:00:02 netns "$b"
  ip netns exec "$a" sysctl -q -w net.ipv6.conf.vA.disable_ipv6=1
  ip netns exec "$b" sysctl -q -w net.ipv6.conf.vB.disable_ipv6=1
  ip -n "$a" addr add 10.77.0.1/32 dev vA
  ip -n "$b" addr add 192.168.77.1/32 dev vB
  ip -n "$a" link set vA up
  ip -n "$b" link set vB up
  ip -n "$a" link set lo up
  ip -n "$b" link set lo up
  ip -n "$a" route add 192.168.77.1/32 dev vA
  ip -n "$b" route add 10.77.0.1/32 dev vB
  ip -n "$a" neigh add 192.168.77.1 lladdr 02:00:00:77:00:02 dev vA nud permanent
  ip -n "$b" neigh add 10.77.0.1 lladdr 02:00:00:77:00:01 dev vB nud permanent
}
