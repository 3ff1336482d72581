<script>

</script>
